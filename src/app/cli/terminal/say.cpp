#include "app/cli/terminal/say.h"

#include <cstdio>

void Say(const std::string& text) { std::fprintf(stderr, "kestrivane: %s\n", text.c_str()); }

int Refuse(const std::string& reason) {
    Say(reason);
    return 2;
}
