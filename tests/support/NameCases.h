#pragma once
// The name rule as a table, checked against the server and against the client's own check:
// each name with the sentence that refuses it ("" when it is accepted).

#include <string>
#include <vector>

namespace qb::testing {

struct NameCase {
    std::string name;
    std::string sentence;
};

inline std::vector<NameCase> NameCases()
{
    const std::string kControl = "A name cannot contain control characters such as tab.";
    std::vector<NameCase> cases = {
        {"a", ""},
        {"notes.rtf", ""},
        {"A & B = C + 100%", ""},
        {"\xD0\x97\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8", ""}, // UTF-8 letters
        {".hidden", ""},
        {"...", ""},
        {"&LIST", ""},          // a marker needs its "&" and its "="
        {"LIST=x", ""},
        {"a&list=b", ""},       // markers are upper case, as the scripts send them
        {"x&FROMDIR y", ""},
        {std::string(255, 'x'), ""},
        {"", "A name cannot be empty."},
        {".", "A name cannot be \".\" or \"..\"."},
        {"..", "A name cannot be \".\" or \"..\"."},
        {std::string(256, 'x'), "A name cannot be longer than 255 bytes."},
        {std::string(127, 'x') + "\xC3\xA9" + std::string(127, 'x'), "A name cannot be longer than 255 bytes."},
        {"a\tb", kControl},
        {"a\x1b[31m", kControl},
        {"\x01", kControl},
        {"a\nb", kControl},
        {"a\rb", kControl},
        {std::string("a\0b", 3), kControl},
        {"a\x1f", kControl},
        {"a\x7f", kControl},
        {"a/b", "A name cannot contain \"/\"."},
        {"a|b", "A name cannot contain \"|\"."},
        {"a|b/c", "A name cannot contain \"|\"."}, // the first met is named
        {"Old&LIST=stuff", "A name cannot contain \"&LIST=\"."},
        {"x&FROMDIR=y&FROM=z", "A name cannot contain \"&FROMDIR=\"."},
        {"x&FILELIST=y", "A name cannot contain \"&FILELIST=\"."},
    };
    for (const char* marker : {"&ID=", "&DIR=", "&FILE=", "&LOCK=", "&UNLOCK=", "&DATA=", "&FROM=", "&TO=", "&LIST=",
                               "&VERSION=", "&ENTRY="})
        cases.push_back({std::string("x") + marker + "y", std::string("A name cannot contain \"") + marker + "\"."});
    return cases;
}

} // namespace qb::testing
