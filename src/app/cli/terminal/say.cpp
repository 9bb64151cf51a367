#include "app/cli/terminal/say.h"

#include <cstdio>

#include "display/console/json_text.h"

void Say(const std::string& text) { std::fprintf(stderr, "kestrivane: %s\n", PrintableText(text).c_str()); }

int Refuse(const std::string& reason) {
    Say(reason);
    return 2;
}
