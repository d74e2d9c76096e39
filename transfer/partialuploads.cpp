#include "partialuploads.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>
#include <tuple>

#include "publishreport.h"

namespace transfer {
namespace {

constexpr std::string_view kHeader = "trandel partial uploads 1\n";
// Another window holds the lock only while it rewrites a small file.
constexpr auto kLockPatience = std::chrono::seconds(1);

// Names are bytes of any kind: all but printable ASCII goes as \xHH, so that tabs and line
// ends stay separators and the file stays text.
std::string escaped(const std::string& bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool unescaped(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '\\') {
            out += text[at];
            continue;
        }
        if (at + 4 > text.size() || text[at + 1] != 'x') return false;
        const int high = hexDigit(text[at + 2]);
        const int low = hexDigit(text[at + 3]);
        if (high < 0 || low < 0) return false;
        out += static_cast<char>(high * 16 + low);
        at += 3;
    }
    return true;
}

bool number(std::string_view text, std::int64_t& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// One line: host, port, user, server path, local path, size, modification time.
bool parseLine(std::string_view line, PartialUploadStore::Entry& entry) {
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) break;
        start = tab + 1;
    }
    std::int64_t port = 0;
    if (fields.size() != 7 || !number(fields[1], port) || port <= 0 || port > 65535) return false;
    entry.server.port = static_cast<int>(port);
    return unescaped(fields[0], entry.server.host) && unescaped(fields[2], entry.server.user) &&
           unescaped(fields[3], entry.serverPath) && unescaped(fields[4], entry.upload.local) &&
           number(fields[5], entry.upload.size) && number(fields[6], entry.upload.modified);
}

std::string render(const std::vector<PartialUploadStore::Entry>& entries) {
    std::string text(kHeader);
    for (const auto& e : entries)
        text += escaped(e.server.host) + '\t' + std::to_string(e.server.port) + '\t' +
                escaped(e.server.user) + '\t' + escaped(e.serverPath) + '\t' +
                escaped(e.upload.local) + '\t' + std::to_string(e.upload.size) + '\t' +
                std::to_string(e.upload.modified) + '\n';
    return text;
}

bool sameKey(const PartialUploadStore::Entry& entry, const ServerIdentity& server,
             const std::string& serverPath) {
    return entry.server == server && entry.serverPath == serverPath;
}

void dropKey(std::vector<PartialUploadStore::Entry>& entries, const ServerIdentity& server,
             const std::string& serverPath) {
    std::erase_if(entries, [&](const auto& e) { return sameKey(e, server, serverPath); });
}

// Whatever cannot be read, or is not this file's form, reads as no entries. Opened so that
// neither a FIFO nor a link put in its place can hold or mislead the job.
std::vector<PartialUploadStore::Entry> readEntries(const std::string& path) {
    std::vector<PartialUploadStore::Entry> entries;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return entries;
    struct stat st {};
    std::string text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
        st.st_size <= PartialUploadStore::kMaxFileBytes) {
        text.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < text.size()) {
            const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        text.resize(got);
    }
    ::close(fd);
    if (!text.starts_with(kHeader)) return entries;
    std::string_view rest = std::string_view(text).substr(kHeader.size());
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1)) {
        PartialUploadStore::Entry entry;
        if (parseLine(rest.substr(0, end), entry)) entries.push_back(std::move(entry));
    }
    // The last line of a key is its entry; the newest entries are kept.
    std::set<std::tuple<std::string, int, std::string, std::string>> seen;
    std::vector<PartialUploadStore::Entry> kept;
    for (auto it = entries.rbegin();
         it != entries.rend() && kept.size() < PartialUploadStore::kMaxEntries; ++it)
        if (seen.emplace(it->server.host, it->server.port, it->server.user, it->serverPath).second)
            kept.push_back(std::move(*it));
    std::reverse(kept.begin(), kept.end());
    return kept;
}

// The new text goes to a file of its own that replaces the old one whole, so that a
// reader never sees half of it. No fsync: a crash costs at most a resume.
bool writeEntries(const std::string& path, const std::string& text) {
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // owner-only
    if (fd < 0) return false;
    std::size_t put = 0;
    while (put < text.size()) {
        const ssize_t n = ::write(fd, text.data() + put, text.size() - put);
        if (n <= 0) break;
        put += static_cast<std::size_t>(n);
    }
    const bool ok = ::close(fd) == 0 && put == text.size();
    if (ok && ::rename(temporary.c_str(), path.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

// The lock is a file beside the store, which a rename never replaces; -1 when it cannot
// be had soon.
int lockStore(const std::string& path) {
    const int fd =
        ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) ||
            std::chrono::steady_clock::now() > deadline) {
            ::close(fd);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return fd;
}

}  // namespace

void PartialUploadStore::open(std::string path) {
    path_ = std::move(path);
    if (!path_.empty()) entries_ = readEntries(path_);
}

std::optional<PartialUpload> PartialUploadStore::find(const ServerIdentity& server,
                                                      const std::string& serverPath) const {
    for (const Entry& entry : entries_)
        if (sameKey(entry, server, serverPath)) return entry.upload;
    return std::nullopt;
}

void PartialUploadStore::remember(const ServerIdentity& server, const std::string& serverPath,
                                  const PartialUpload& upload) {
    change([&](std::vector<Entry>& entries) {
        dropKey(entries, server, serverPath);
        entries.push_back({server, serverPath, upload});
        if (entries.size() > kMaxEntries)
            entries.erase(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(
                                                                 entries.size() - kMaxEntries));
    });
}

void PartialUploadStore::forget(const ServerIdentity& server, const std::string& serverPath) {
    change([&](std::vector<Entry>& entries) { dropKey(entries, server, serverPath); });
}

// A file that cannot be changed leaves the change to this object's own entries.
void PartialUploadStore::change(const std::function<void(std::vector<Entry>&)>& edit) {
    const std::size_t slash = path_.rfind('/');
    const int lock = !path_.empty() && slash != std::string::npos &&
                             makeOwnerDirectories(path_.substr(0, std::max<std::size_t>(slash, 1)))
                         ? lockStore(path_)
                         : -1;
    if (lock >= 0) {
        std::vector<Entry> entries = readEntries(path_);
        edit(entries);
        const bool written = writeEntries(path_, render(entries));
        ::close(lock);
        if (written) {
            entries_ = std::move(entries);
            return;
        }
    }
    edit(entries_);
}

std::string partialUploadsFile(const std::string& stateDirectory) {
    return stateDirectory + "/partial-uploads";
}

}  // namespace transfer
