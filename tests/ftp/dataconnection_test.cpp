// How data connections are set up: PASV, EPSV, PORT or EPRT, as the control connection's
// family and the server's features decide, and PASV after a refused EPSV.
#include <gtest/gtest.h>

#include "scriptedsession.h"

namespace {

using Commands = std::vector<std::string>;

enum class Setup { Pasv, Epsv, EpsvRefused, Port, Eprt };

struct Row {
    const char* name;
    int family;
    bool passive;
    const char* featReply;        // nullptr: no FEAT, as a session that never asked
    std::vector<Setup> listings;  // the setup of each listing, in order
    Commands setupCommands;       // what the client sends before each LIST, all listings
    bool listed = true;           // whether the listings succeed
};

const char* const kWithEpsv = "211-Features:\r\n EPSV\r\n EPRT\r\n MDTM\r\n211 End\r\n";
const char* const kWithoutEpsv = "211-Features:\r\n MDTM\r\n SIZE\r\n211 End\r\n";

void script(ScriptedSession& s, const Row& row) {
    if (row.featReply) s.server.expect("FEAT", row.featReply);
    for (Setup setup : row.listings) {
        switch (setup) {
            case Setup::Pasv:
                s.server.expectPasv();
                break;
            case Setup::Epsv:
                s.server.expectEpsv();
                break;
            case Setup::EpsvRefused:
                s.server.expect("EPSV", "500 EPSV not understood.\r\n");
                if (row.family == AF_INET) s.server.expectPasv();
                break;
            case Setup::Port:
                s.server.expectPort();
                break;
            case Setup::Eprt:
                s.server.expectEprt();
                break;
        }
        if (row.listed)
            s.server.expectSendData("LIST -la", {.data = "-rw-r--r-- 1 a a 5 Mar  1 09:12 x\r\n"});
    }
}

class DataSetup : public ::testing::TestWithParam<Row> {};

TEST_P(DataSetup, CommandsAsFamilyAndFeaturesSay) {
    const Row& row = GetParam();
    ScriptedSession s(row.family);
    script(s, row);
    ASSERT_NO_FATAL_FAILURE(s.connect(row.passive));
    if (row.featReply) {
        ASSERT_EQ(s.session->learnFeatures(), 1);
    }
    for (std::size_t i = 0; i < row.listings.size(); ++i) {
        SCOPED_TRACE(i);
        const auto listed = s.session->list();
        ASSERT_EQ(listed.has_value(), row.listed) << s.session->lastError;
        if (row.listed) {
            EXPECT_EQ(listed->size(), 1u);
        }
    }
    Commands sent;
    for (const std::string& line : s.server.commands())
        if (line != "FEAT" && line != "LIST -la") sent.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(sent, row.setupCommands);
    EXPECT_TRUE(s.server.mismatches().empty());
    for (const std::string& line : s.server.commands()) {
        if (line.rfind("EPRT", 0) == 0) {
            EXPECT_EQ(line.rfind("EPRT |2|::1|", 0), 0u) << line;
        }
    }
    EXPECT_EQ(s.session->dataSocket(), -1);
}

const Row kRows[] = {
    {"Ipv4NoFeatures", AF_INET, true, nullptr, {Setup::Pasv, Setup::Pasv}, {"PASV", "PASV"}},
    {"Ipv4FeaturesWithoutEpsv", AF_INET, true, kWithoutEpsv, {Setup::Pasv}, {"PASV"}},
    {"Ipv4FeaturesWithEpsv",
     AF_INET,
     true,
     kWithEpsv,
     {Setup::Epsv, Setup::Epsv},
     {"EPSV", "EPSV"}},
    // The refusal is remembered: the next listing goes straight to PASV.
    {"Ipv4EpsvRefusedThenPasv",
     AF_INET,
     true,
     kWithEpsv,
     {Setup::EpsvRefused, Setup::Pasv},
     {"EPSV", "PASV", "PASV"}},
    {"Ipv4ActiveStaysWithPort", AF_INET, false, kWithEpsv, {Setup::Port}, {"PORT"}},
    {"Ipv6Passive", AF_INET6, true, nullptr, {Setup::Epsv, Setup::Epsv}, {"EPSV", "EPSV"}},
    {"Ipv6Active", AF_INET6, false, kWithoutEpsv, {Setup::Eprt, Setup::Eprt}, {"EPRT", "EPRT"}},
    // IPv6 has no PASV to fall back to.
    {"Ipv6EpsvRefused", AF_INET6, true, kWithEpsv, {Setup::EpsvRefused}, {"EPSV"}, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, DataSetup, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// An EPSV reply whose port cannot be read, or that names none, gives no data connection.
TEST(DataSetupFaults, UnreadableEpsvReplyGivesNoListing) {
    for (const char* reply : {"229 Entering Extended Passive Mode (|||0|)\r\n",
                              "229 Entering Extended Passive Mode\r\n", "421 Closing.\r\n"}) {
        ScriptedSession s(AF_INET6);
        s.server.expect("EPSV", reply);
        ASSERT_NO_FATAL_FAILURE(s.connect());
        EXPECT_FALSE(s.session->list().has_value()) << reply;
        EXPECT_EQ(s.server.commands(), Commands{"EPSV"});
    }
}

}  // namespace
