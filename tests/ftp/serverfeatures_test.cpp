// Replies to FEAT read into what the server offers: one row is a reply and what it must
// give, described in a fixed order.
#include <gtest/gtest.h>

#include <string>

#include "serverfeatures.h"

namespace {

struct Row {
    const char* what;
    int code;
    std::string reply;
    // Flags among "utf8 mlst epsv eprt mdtm size rest tls", then "facts=" with "*" for
    // selected ones and "hash=" with the selected one after "/".
    std::string offers;
};

std::string describe(const ftp::Features& f) {
    std::string text;
    auto add = [&](const std::string& word) { text += (text.empty() ? "" : " ") + word; };
    auto flag = [&](bool on, const char* name) {
        if (on) add(name);
    };
    flag(f.utf8, "utf8");
    flag(f.mlst, "mlst");
    flag(f.epsv, "epsv");
    flag(f.eprt, "eprt");
    flag(f.mdtm, "mdtm");
    flag(f.size, "size");
    flag(f.restStream, "rest");
    flag(f.authTls, "tls");
    if (!f.mlstFacts.empty()) {
        std::string facts = "facts=";
        for (const auto& fact : f.mlstFacts)
            facts += fact.name + (fact.selected ? "*" : "") + ";";
        add(facts);
    }
    if (!f.hashAlgorithms.empty()) {
        std::string hashes = "hash=";
        for (const auto& algorithm : f.hashAlgorithms)
            hashes += algorithm + ";";
        add(hashes + "/" + f.hashSelected);
    }
    return text;
}

const Row kRows[] = {
    {"typical list, CR LF", 211,
     "211-Features:\r\n EPRT\r\n EPSV\r\n MDTM\r\n MLST type*;size*;modify*;perm;UNIX.mode;\r\n"
     " REST STREAM\r\n SIZE\r\n UTF8\r\n AUTH TLS\r\n211 End\r\n",
     "utf8 mlst epsv eprt mdtm size rest tls facts=type*;size*;modify*;perm;UNIX.mode;"},
    {"any case, LF only, no last line break", 211,
     "211-Extensions supported\n utf8\n Mlst Type*;Size*;\n epsv\n211 END",
     "utf8 mlst epsv facts=Type*;Size*;"},
    {"the code repeated on feature lines", 211,
     "211-Features\r\n211-MDTM\r\n211-SIZE\r\n211 End\r\n", "mdtm size"},
    {"feature lines without a leading blank", 211, "211-Features\r\nUTF8\r\nEPSV\r\n211 End\r\n",
     "utf8 epsv"},
    {"hash algorithms, the selected one marked", 211,
     "211-Features\r\n HASH SHA-256;sha-1*;MD5\r\n XSHA256\r\n211 End\r\n",
     "hash=SHA-256;SHA-1;MD5;/SHA-1"},
    {"MLSD listed on its own", 211, "211-Features\r\n MLSD\r\n211 End\r\n", "mlst"},
    {"AUTH with several mechanisms", 211, "211-Features\r\n AUTH SSL;TLS\r\n211 End\r\n", "tls"},
    {"AUTH without TLS", 211, "211-Features\r\n AUTH SSL\r\n211 End\r\n", ""},
    {"REST without STREAM", 211, "211-Features\r\n REST\r\n211 End\r\n", ""},
    {"blanks around parameters and blank lines", 211,
     "211-Features\r\n\r\n   MLST  type*;size;  \r\n \r\n211 End\r\n", "mlst facts=type*;size;"},
    {"lines after the end line are not features", 211,
     "211-Features\r\n UTF8\r\n211 End\r\n EPSV\r\n", "utf8"},
    {"a one-line 211 lists nothing", 211, "211 No features\r\n", ""},
    {"FEAT refused", 500, "500 'FEAT': command not understood\r\n", ""},
    {"FEAT not implemented, a list anyway", 502, "502-Features\r\n UTF8\r\n502 End\r\n", ""},
    {"lost connection", 0, "", ""},
};

TEST(Features, ReplyTable) {
    for (const Row& row : kRows) {
        const ftp::Features features = ftp::parseFeatures(row.code, row.reply);
        EXPECT_EQ(describe(features), row.offers) << row.what;
    }
}

TEST(Features, AnyLabelCanBeAskedForInAnyCase) {
    const ftp::Features features =
        ftp::parseFeatures(211,
                           "211-Features\r\n XSHA256\r\n LANG EN*;ZH\r\n AUTH SSL\r\n AUTH TLS\r\n"
                           " MLST Type*;unix.MODE;\r\n211 End\r\n");
    EXPECT_TRUE(features.offers("xsha256"));
    EXPECT_TRUE(features.offers("LANG"));
    EXPECT_FALSE(features.offers("EPSV"));
    EXPECT_FALSE(features.offers(""));
    EXPECT_EQ(features.parametersOf("lang"), "EN*;ZH");
    EXPECT_EQ(features.parametersOf("AUTH"), "SSL");  // the first of two
    EXPECT_TRUE(features.authTls);
    EXPECT_EQ(features.parametersOf("MDTM"), "");
    EXPECT_TRUE(features.offersFact("type"));
    EXPECT_TRUE(features.offersFact("UNIX.mode"));
    EXPECT_FALSE(features.offersFact("size"));
}

TEST(Features, FactsTheListingNeedsAreAskedForOnlyWhenMissing) {
    const struct {
        const char* mlst;  // the MLST line's parameters; nullptr: no MLST at all
        const char* command;
    } rows[] = {
        {"type*;size*;modify*;UNIX.mode*;", ""},
        {"type*;size*;modify*;perm*;unique*;unix.mode;", "OPTS MLST type;size;modify;unix.mode;"},
        {"Modify;Type*;Size*;", "OPTS MLST Type;Size;Modify;"},
        {"type*;size*;modify*;", ""},
        {"perm*;unique*;", ""},
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& row : rows) {
        std::string reply = "211-Features\r\n UTF8\r\n";
        if (row.mlst) reply += std::string(" MLST ") + row.mlst + "\r\n";
        reply += "211 End\r\n";
        EXPECT_EQ(ftp::mlstOptionsCommand(ftp::parseFeatures(211, reply)), row.command)
            << (row.mlst ? row.mlst : "no MLST");
    }
}

}  // namespace
