// The representation type of each file, and the local path helpers.
#include <gtest/gtest.h>

#include "localpaths.h"
#include "transfermode.h"

using transfer::chooseBinary;
using transfer::isBinaryByExtension;

TEST(TransferMode, AutomaticFollowsTheTextExtensionList) {
    const std::string list = "HTM:HTML:SHTM:SHTML:JAVA:TXT:JS:CSS:CGI:PL:";
    EXPECT_FALSE(isBinaryByExtension("index.html", list));
    EXPECT_FALSE(isBinaryByExtension("INDEX.HTM", list));
    EXPECT_FALSE(isBinaryByExtension("script.Pl", list)) << "the extension is upper-cased";
    EXPECT_TRUE(isBinaryByExtension("photo.gif", list));
    EXPECT_TRUE(isBinaryByExtension("Makefile", list)) << "no dot";
    EXPECT_TRUE(isBinaryByExtension("name.", list)) << "the key '::' is in no list";
    EXPECT_TRUE(isBinaryByExtension("archive.tar.gz", list));
    EXPECT_TRUE(isBinaryByExtension("page.TML", list))
        << ":TML: is not in the list, though HTML is";
    EXPECT_TRUE(isBinaryByExtension("notes.txt", "txt:md:")) << "the list is not upper-cased";
    EXPECT_FALSE(isBinaryByExtension("notes.md", "TXT:MD:"));
    EXPECT_FALSE(isBinaryByExtension("a.css", "")) << "an empty list means the default one";
}

TEST(TransferMode, FixedModesIgnoreTheList) {
    EXPECT_TRUE(chooseBinary(transfer::TransferMode::Binary, "index.html", ""));
    EXPECT_FALSE(chooseBinary(transfer::TransferMode::Text, "photo.gif", ""));
    EXPECT_FALSE(chooseBinary(transfer::TransferMode::Automatic, "index.html", ""));
    EXPECT_TRUE(chooseBinary(static_cast<transfer::TransferMode>(7), "index.html", ""))
        << "an unknown mode sends everything as binary";
}

TEST(LocalPaths, ParentTrailingSlashAndSafeNames) {
    EXPECT_EQ(transfer::parentPath("/a/b/"), "/a/");
    EXPECT_EQ(transfer::parentPath("/a/b"), "/a/");
    EXPECT_EQ(transfer::parentPath("/a/"), "/");
    EXPECT_EQ(transfer::ensureTrailingBackslash("/a"), "/a/");
    EXPECT_EQ(transfer::ensureTrailingBackslash("/a/"), "/a/");
    for (const char* good : {"index.html", "my page.html", "文件.txt", "..hidden", "a..b"})
        EXPECT_TRUE(transfer::isSafeLocalName(good)) << good;
    for (std::string bad :
         {std::string(""), std::string("."), std::string(".."), std::string("../evil"),
          std::string("a/b"), std::string("/etc"), std::string("a\0b", 3)})
        EXPECT_FALSE(transfer::isSafeLocalName(bad));
}
