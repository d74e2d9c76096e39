#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ftp {

// What a server offers in its answer to FEAT. A server that refuses FEAT, or answers
// without a feature list, offers nothing, and the session then talks as it always did.
struct Features {
    struct Feature {
        std::string label;       // upper case
        std::string parameters;  // as the server wrote them, blanks around trimmed
    };
    struct Fact {
        std::string name;  // as the server spells it, for OPTS MLST
        bool selected = false;
    };

    std::vector<Feature> offered;  // in reply order; a label may repeat (AUTH TLS, AUTH SSL)

    bool utf8 = false;
    bool mlst = false;  // MLST and MLSD (a few servers list MLSD on its own)
    bool epsv = false;
    bool eprt = false;
    bool mdtm = false;
    bool size = false;
    bool restStream = false;
    bool authTls = false;
    std::vector<Fact> mlstFacts;
    std::vector<std::string> hashAlgorithms;  // upper case, in the server's order
    std::string hashSelected;                 // the one marked "*", or empty

    bool offers(std::string_view label) const;
    // The parameters of the first feature with that label; empty when not offered.
    std::string parametersOf(std::string_view label) const;
    bool offersFact(std::string_view fact) const;
};

// Reads the reply to FEAT. replyText holds the reply's lines as the server sent them,
// codes included and the line breaks kept: "211-Features:\r\n UTF8\r\n211 End\r\n".
// A code other than 211 gives a Features that offers nothing.
Features parseFeatures(int code, std::string_view replyText);

// "OPTS MLST type;size;modify;UNIX.mode;" asking for the facts a listing needs among
// those the server offers; empty when they are selected already or none is offered.
std::string mlstOptionsCommand(const Features& features);

}  // namespace ftp
