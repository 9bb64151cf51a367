#include "app/cli/commands/verify.h"

#include "app/cli/run/before_the_box.h"
#include "app/cli/run/read_back.h"
#include "app/cli/terminal/say.h"

int VerifyCommand(const std::string& image, const TransferOptions& options) {
    std::string why;
    const std::vector<StoredFile> expected = SectionsToVerify(image, &why);
    if (expected.empty()) return Refuse("cannot verify: " + why);
    if (const int refused = CheckBeforeTheBox(options); refused >= 0) return refused;
    return VerifyAgainstBox(image, expected, options);
}
