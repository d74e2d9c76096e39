// The server pane's commands against the scripted server: what each sends, what it
// shows and whether the pane is refreshed.
#include <gtest/gtest.h>

#include <functional>

#include "permissions.h"
#include "remotecommands.h"
#include "scriptedprompts.h"
#include "scriptedsession.h"

using namespace transfer;
using testsupport::Delivery;

namespace {

// One exchange of the script: a command and its reply, or a listing (PASV, LIST -la).
struct Line {
    std::string expect;
    std::string reply;
    Delivery delivery = Delivery::Whole;
    bool listing = false;
};

Line reply(std::string command, std::string text, Delivery delivery = Delivery::Whole) {
    return {std::move(command), std::move(text) + "\r\n", delivery};
}
Line ok(std::string command) {
    return reply(std::move(command), "250 OK.");
}
Line pwd(const std::string& path) {
    return reply("PWD", "257 \"" + path + "\" is the current directory");
}
Line listing(std::string lines) {
    return {"LIST -la", std::move(lines), Delivery::Whole, true};
}
std::string dir(const std::string& name) {
    return "drwxr-xr-x 2 web web 4096 Jan  5 10:30 " + name + "\r\n";
}
std::string file(const std::string& name) {
    return "-rw-r--r-- 1 web web 12 Jan  5 10:30 " + name + "\r\n";
}
const Line noop = reply("NOOP", "200 NOOP ok.");
Line refused(std::string command) {
    return reply(std::move(command), "550 Permission denied.");
}

using Run = std::function<std::string(ftp::FtpSession&, platform::Prompts&, const ConfirmDelete&)>;

std::string said(RemoteOutcome outcome) {
    switch (outcome) {
        case RemoteOutcome::Changed:
            return "refresh";
        case RemoteOutcome::Unchanged:
            return "unchanged";
        case RemoteOutcome::ConnectionLost:
            return "connection lost";
    }
    return {};
}
std::string said(const RemoteMove& move) {
    return said(move.outcome) + (move.directory.empty() ? "" : " " + move.directory);
}

Run remove(std::vector<RemoteItem> items) {
    return [items](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete& c) {
        return said(deleteRemoteItems(s, items, p, c));
    };
}
Run up = [](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete&) {
    return said(remoteUpOneLevel(s, "/home/web", p));
};
Run home = [](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete&) {
    return said(remoteGoHome(s, "/home/web", p));
};
Run open(std::string text) {
    return [text](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete&) {
        return said(openRemoteDirectory(s, remoteDirectoryName(text), p));
    };
}
Run boxEntry = [](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete&) {
    return said(selectRemoteBoxEntry(s, "/gone", p));
};
Run rename = [](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete&) {
    return said(renameRemote(s, "old.html", "new.html", p));
};
Run makeDirectory(std::optional<std::string> typed) {
    return [typed](ftp::FtpSession& s, platform::Prompts&, const ConfirmDelete&) {
        return said(makeRemoteDirectory(s, newDirectoryName(typed, "新目录")));
    };
}

// The permission command; the dialog answers `chosen` (nothing: Cancel) and shows up in
// the case's confirmMode with the mode it started at.
Run chmod(std::vector<PermissionItem> items, std::optional<int> chosen) {
    return [items, chosen](ftp::FtpSession& s, platform::Prompts& p, const ConfirmDelete& c) {
        auto ask = [&c, chosen](int initial) {
            c({initial, {}, false});
            return chosen;
        };
        return said(changeRemotePermissions(&s, items, "www.example.com", p, ask));
    };
}
const PermissionItem kPage{"a.html", "-rwxr-x---"};
const PermissionItem kStyle{"b.css", "-rw-rw-rw-"};

// A chain of directories "d" deeper than the walk follows: it stops after 64 levels.
std::vector<Line> deepChain() {
    std::vector<Line> script{noop};
    std::string path = "/r";
    for (int level = 0; level < 64; ++level) {
        script.push_back(pwd(path));
        script.push_back(ok("CWD d"));
        path += "/d";
        script.push_back(pwd(path));
        script.push_back(listing(dir("d")));
    }
    for (int level = 0; level < 64; ++level) {
        path.resize(path.size() - 2);
        script.push_back(ok("CWD " + path));
        script.push_back(ok("RMD d"));
    }
    return script;
}

struct Case {
    const char* what;
    Run run;
    std::vector<Line> script;
    std::vector<int> messages;
    std::string result;
    int confirmMode = -1;  // the confirmation's mode or the permission dialog's starting
                           // mode, -1 when neither is shown
};

const Case kCases[] = {
    {"a nested tree with a link, dot entries and a name with a slash",
     remove({{"site", true}}),
     {noop, pwd("/www"), ok("CWD site"), pwd("/www/site"),
      listing(dir(".") + dir("..") + file("index.html") + dir("sub") +
              "lrwxrwxrwx 1 web web 4 Jan  5 10:30 etc -> /etc\r\n" + file("a/b")),
      ok("DELE index.html"), pwd("/www/site"), ok("CWD sub"), pwd("/www/site/sub"),
      listing(file("deep.txt")), ok("DELE deep.txt"), ok("CWD /www/site"), ok("RMD sub"),
      ok("DELE etc"), ok("CWD /www"), ok("RMD site")},
     {},
     "refresh",
     0},
    {"a directory that cannot be entered",
     remove({{"locked", true}}),
     {noop, pwd("/www"), refused("CWD locked")},
     {1284, 1230},
     "unchanged",
     0},
    {"a CWD that lands outside the tree stops there",
     remove({{"escape", true}}),
     {noop, pwd("/www"), ok("CWD escape"), pwd("/etc"), ok("CWD /www")},
     {1230},
     "unchanged",
     0},
    {"64 levels at most", remove({{"d", true}}), deepChain(), {}, "refresh", 0},
    {"three items: each failure named, one refresh",
     remove({{"a.html", false}, {"locked", true}, {"c.html", false}}),
     {noop, ok("DELE a.html"), pwd("/www"), refused("CWD locked"), refused("DELE c.html")},
     {1284, 1230, 1230},
     "refresh",
     3},
    {"one file", remove({{"a.html", false}}), {noop, ok("DELE a.html")}, {}, "refresh", 1},
    {"one file refused",
     remove({{"a.html", false}}),
     {noop, refused("DELE a.html")},
     {1230},
     "unchanged",
     1},
    {"the connection drops during DELE",
     remove({{"a.html", false}}),
     {noop, reply("DELE a.html", "250 OK.", Delivery::CloseMidway)},
     {},
     "connection lost",
     1},
    {"a dead connection before anything",
     remove({{"a.html", false}}),
     {reply("NOOP", "421 Timeout.", Delivery::CloseAfter)},
     {},
     "connection lost"},
    {"nothing selected", remove({}), {}, {1221}, "unchanged"},
    {"up one level", up, {noop, ok("CWD .."), pwd("/www")}, {}, "refresh /www"},
    {"up refused, home accepted",
     up,
     {noop, refused("CWD .."), ok("CWD /home/web"), pwd("/home/web")},
     {1255},
     "refresh /home/web"},
    {"up and home refused",
     up,
     {noop, refused("CWD .."), refused("CWD /home/web")},
     {1255, 1256},
     "unchanged"},
    {"home", home, {noop, ok("CWD /home/web"), pwd("/home/web")}, {}, "refresh /home/web"},
    {"home refused", home, {noop, refused("CWD /home/web")}, {1250}, "unchanged"},
    {"open a directory cut at its last @",
     open("docs@x@y"),
     {noop, ok("CWD docs@x"), pwd("/www/docs@x")},
     {},
     "refresh /www/docs@x"},
    {"open refused", open("private"), {noop, refused("CWD private")}, {1250}, "unchanged"},
    {"a box entry that is gone", boxEntry, {noop, refused("CWD /gone")}, {1257}, "unchanged"},
    {"rename", rename, {reply("RNFR old.html", "350 Ready."), ok("RNTO new.html")}, {}, "refresh"},
    {"rename refused",
     rename,
     {reply("RNFR old.html", "350 Ready."), refused("RNTO new.html")},
     {1225},
     "unchanged"},
    {"new directory typed",
     makeDirectory("www"),
     {reply("MKD www", "257 \"/www\" created.")},
     {},
     "refresh"},
    {"new directory cancelled",
     makeDirectory(std::nullopt),
     {refused("MKD 新目录")},
     {},
     "refresh"},
    {"new directory with an empty name", makeDirectory(""), {}, {}, "refresh"},
    {"permissions of one entry",
     chmod({kPage}, 750),
     {noop, reply("SITE CHMOD 750 a.html", "200 SITE CHMOD command ok.")},
     {},
     "refresh",
     750},
    {"two entries start at 644 and both get it",
     chmod({kPage, kStyle}, 644),
     {noop, reply("SITE CHMOD 644 a.html", "200 OK."), reply("SITE CHMOD 644 b.css", "200 OK.")},
     {},
     "refresh",
     644},
    {"a mode with a leading zero is sent as a plain number",
     chmod({kPage}, 44),
     {noop, reply("SITE CHMOD 44 a.html", "200 OK.")},
     {},
     "refresh",
     750},
    {"every box cleared",
     chmod({{"x", "----------"}}, 0),
     {noop, reply("SITE CHMOD 0 x", "200 OK.")},
     {},
     "refresh",
     0},
    {"a refusal stops the loop with 1222",
     chmod({kPage, kStyle, {"c.js", "-rw-r--r--"}}, 600),
     {noop, reply("SITE CHMOD 600 a.html", "200 OK."),
      reply("SITE CHMOD 600 b.css", "500 Unknown SITE command.")},
     {1222},
     "unchanged",
     644},
    {"the connection drops during SITE CHMOD",
     chmod({kPage, kStyle}, 644),
     {noop, reply("SITE CHMOD 644 a.html", "200 OK.", Delivery::CloseMidway)},
     {},
     "connection lost",
     644},
    {"permissions on a dead connection",
     chmod({kPage}, 644),
     {reply("NOOP", "421 Timeout.", Delivery::CloseAfter)},
     {},
     "connection lost"},
    {"permissions cancelled", chmod({kPage}, std::nullopt), {noop}, {}, "unchanged", 750},
    {"permissions with nothing selected", chmod({}, 644), {}, {1221}, "unchanged"},
};

}  // namespace

TEST(RemoteCommands, ExchangesMessagesAndRefreshes) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.what);
        ScriptedSession s;
        for (const Line& line : c.script) {
            if (line.listing) {
                testsupport::DataStep step;
                step.data = line.reply;
                s.server.expectPasv().expectSendData(line.expect, step);
            } else {
                s.server.expect(line.expect, line.reply, line.delivery);
            }
        }
        ASSERT_NO_FATAL_FAILURE(s.connect());
        testsupport::ScriptedPrompts prompts;
        std::vector<int> modes;
        auto confirm = [&modes](const DeleteQuestion& q) {
            modes.push_back(q.mode);
            return true;
        };
        EXPECT_EQ(c.run(*s.session, prompts, confirm), c.result);
        EXPECT_EQ(prompts.askedIds(), c.messages);
        for (const auto& message : prompts.asked())
            if (message.id == 1222) {
                EXPECT_EQ(message.args, std::vector<platform::MessageArg>{"www.example.com"});
            }
        EXPECT_EQ(modes, c.confirmMode < 0 ? std::vector<int>{} : std::vector<int>{c.confirmMode});
        EXPECT_TRUE(s.server.mismatches().empty());
        EXPECT_TRUE(s.server.scriptDone());
    }
}

TEST(RemoteCommands, NamesThatMayBeSentBack) {
    for (const char* name : {"index.html", "a b", "..a", "新目录"})
        EXPECT_TRUE(isSafeListingName(name)) << name;
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "a\rb", "a\nb", std::string("a\0b", 3)})
        EXPECT_FALSE(isSafeListingName(name)) << name;
    EXPECT_EQ(splitDirectoryAndPattern("/www/*.zip"),
              (std::pair<std::string, std::string>{"/www/", "*.zip"}));
    EXPECT_EQ(splitDirectoryAndPattern("/www"), (std::pair<std::string, std::string>{"/www", ""}));
}
