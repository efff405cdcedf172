#include "editor/LocalCopyName.h"

#include <gtest/gtest.h>

namespace qb {
namespace {

TEST(LocalCopyName, IsTheNoteNameAfterItsLastSlash)
{
    struct Case {
        const char* noteName;
        const char* offered;
    };
    const Case cases[] = {
        {"/work/plans/june.rtf", "june.rtf"},
        {"/top.rtf", "top.rtf"},
        {"local.rtf", "local.rtf"},
        {"", ""},
        {"/folder/", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.noteName);
        EXPECT_EQ(LocalCopyName(c.noteName), QString(c.offered));
    }
}

} // namespace
} // namespace qb
