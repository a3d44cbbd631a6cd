// The stand-in host's command line.
#include "host/host_options.h"

#include <gtest/gtest.h>

namespace scandrel::host {
namespace {

TEST(HostOptions, AccessAnswers) {
    auto access = [](const char16_t* value) { return parseHostOptions({u"--access", value}).access; };
    EXPECT_EQ(parseHostOptions({}).access.kind, AccessKind::Text);
    EXPECT_EQ(parseHostOptions({}).access.text, u"1");
    EXPECT_EQ(access(u"01").text, u"01");
    EXPECT_EQ(access(u"num:1").kind, AccessKind::Number);
    EXPECT_EQ(access(u"num:-5").number, -5);
    EXPECT_EQ(access(u"null").kind, AccessKind::Null);
    EXPECT_EQ(access(u"empty").kind, AccessKind::Empty);
    EXPECT_EQ(access(u"missing").kind, AccessKind::Missing);
    EXPECT_EQ(access(u"throw").kind, AccessKind::Throw);
    EXPECT_THROW(access(u"num:x"), UsageError);
}

TEST(HostOptions, SearchAndItsCompanions) {
    const HostOptions o =
        parseHostOptions({u"--db", u"/tmp/a b.mdb", u"--search", u"maria silva", u"--screenshot", u"x.png", u"--time",
                          u"--timeout", u"30", u"--clsid"});
    EXPECT_EQ(o.database, u"/tmp/a b.mdb");
    EXPECT_EQ(o.search, u"maria silva");
    EXPECT_EQ(o.screenshot, u"x.png");
    EXPECT_TRUE(o.time);
    EXPECT_TRUE(o.byClassId);
    EXPECT_EQ(o.timeoutSeconds, 30);

    EXPECT_THROW(parseHostOptions({u"--screenshot", u"x.png"}), UsageError);  // needs --search
    EXPECT_THROW(parseHostOptions({u"--search"}), UsageError);
    EXPECT_THROW(parseHostOptions({u"--timeout", u"0", u"--search", u"a"}), UsageError);
    EXPECT_THROW(parseHostOptions({u"--frobnicate"}), UsageError);
}

TEST(HostOptions, LinuxPathsBecomeWineDriveZ) {
    EXPECT_EQ(windowsPath(u"/home/ana/clínica.mdb"), u"Z:\\home\\ana\\clínica.mdb");
    EXPECT_EQ(windowsPath(u"C:\\dados\\a.mdb"), u"C:\\dados\\a.mdb");
    EXPECT_EQ(windowsPath(u"relativo/a.mdb"), u"relativo/a.mdb");
    EXPECT_EQ(windowsPath(u""), u"");
}

}  // namespace
}  // namespace scandrel::host
