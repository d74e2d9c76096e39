#include "serverfeatures.h"

#include <array>

namespace ftp {
namespace {

// The facts a listing reads: name, size, kind, time and permissions.
constexpr std::array<std::string_view, 4> kWantedFacts = {"type", "size", "modify", "unix.mode"};

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string upperText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = upper(c);
    return out;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool startsWithCode(std::string_view line) {
    return line.size() >= 3 && line[0] >= '0' && line[0] <= '9' && line[1] >= '0' &&
           line[1] <= '9' && line[2] >= '0' && line[2] <= '9';
}

// Items of a ";"-separated parameter list, empty items dropped.
std::vector<std::string_view> items(std::string_view list) {
    std::vector<std::string_view> out;
    while (!list.empty()) {
        const std::size_t semicolon = list.find(';');
        const std::string_view item = trim(list.substr(0, semicolon));
        if (!item.empty()) out.push_back(item);
        if (semicolon == std::string_view::npos) break;
        list.remove_prefix(semicolon + 1);
    }
    return out;
}

// "type*;size*;modify;": a "*" marks a fact the server lists without being asked.
void readFacts(Features& features, std::string_view list) {
    for (std::string_view item : items(list)) {
        Features::Fact fact;
        fact.selected = item.back() == '*';
        if (fact.selected) item.remove_suffix(1);
        fact.name = std::string(item);
        if (!fact.name.empty()) features.mlstFacts.push_back(std::move(fact));
    }
}

void readHashes(Features& features, std::string_view list) {
    for (std::string_view item : items(list)) {
        const bool selected = item.back() == '*';
        if (selected) item.remove_suffix(1);
        if (item.empty()) continue;
        features.hashAlgorithms.push_back(upperText(item));
        if (selected) features.hashSelected = features.hashAlgorithms.back();
    }
}

void take(Features& features, std::string_view line) {
    line = trim(line);
    if (line.empty()) return;
    const std::size_t blank = line.find_first_of(" \t");
    Features::Feature feature{upperText(line.substr(0, blank)), {}};
    if (blank != std::string_view::npos) feature.parameters = std::string(trim(line.substr(blank)));

    const std::string& label = feature.label;
    const std::string& parameters = feature.parameters;
    if (label == "UTF8") features.utf8 = true;
    if (label == "EPSV") features.epsv = true;
    if (label == "EPRT") features.eprt = true;
    if (label == "MDTM") features.mdtm = true;
    if (label == "SIZE") features.size = true;
    if (label == "REST" && equalNoCase(parameters, "STREAM")) features.restStream = true;
    if (label == "AUTH")
        for (std::string_view mechanism : items(parameters))
            if (equalNoCase(mechanism, "TLS")) features.authTls = true;
    if (label == "MLST") readFacts(features, parameters);
    if (label == "MLST" || label == "MLSD") features.mlst = true;
    if (label == "HASH") readHashes(features, parameters);
    features.offered.push_back(std::move(feature));
}

}  // namespace

bool Features::offers(std::string_view label) const {
    for (const Feature& feature : offered)
        if (equalNoCase(feature.label, label)) return true;
    return false;
}

std::string Features::parametersOf(std::string_view label) const {
    for (const Feature& feature : offered)
        if (equalNoCase(feature.label, label)) return feature.parameters;
    return {};
}

bool Features::offersFact(std::string_view fact) const {
    for (const Fact& offeredFact : mlstFacts)
        if (equalNoCase(offeredFact.name, fact)) return true;
    return false;
}

Features parseFeatures(int code, std::string_view replyText) {
    Features features;
    if (code != 211) return features;
    // The first line is the "211-" header; the list ends at a line with the code and a
    // blank. Feature lines begin with a blank; some servers repeat the code with "-".
    for (bool header = true; !replyText.empty(); header = false) {
        const std::size_t lf = replyText.find('\n');
        std::string_view line = replyText.substr(0, lf);
        replyText.remove_prefix(lf == std::string_view::npos ? replyText.size() : lf + 1);
        const bool coded = startsWithCode(line);
        if (coded && (line.size() == 3 || line[3] != '-')) break;
        if (!header) take(features, coded ? line.substr(4) : line);
    }
    return features;
}

std::string mlstOptionsCommand(const Features& features) {
    std::string list;
    bool changes = false;
    for (std::string_view wanted : kWantedFacts)
        for (const Features::Fact& fact : features.mlstFacts)
            if (equalNoCase(fact.name, wanted)) {
                list += fact.name + ";";
                changes = changes || !fact.selected;
            }
    if (!changes) return {};
    return "OPTS MLST " + list;
}

}  // namespace ftp
