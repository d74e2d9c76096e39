// Writes one server profile into the site database of the current configuration: the
// demo sandbox uses it to point trandel at its local FTP server. With a fingerprint, the
// profile requires explicit TLS and the server's certificate (made at start-up, so signed
// by nobody) is trusted always for that host and port.
//   trandel_demo_profile NAME HOST PORT USER PASSWORD LOCAL_FOLDER [SHA256_FINGERPRINT]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "dataaddress.h"
#include "profilestore.h"
#include "sitemgr50.h"
#include "truststore.h"

int main(int argc, char** argv) {
    if (argc != 7 && argc != 8) {
        std::fprintf(stderr, "usage: %s NAME HOST PORT USER PASSWORD LOCAL_FOLDER [FINGERPRINT]\n",
                     argv[0]);
        return 2;
    }
    tsy::SiteMgr50 db;
    if (session::openSiteDatabase(db) < 0) {
        std::fprintf(stderr, "cannot open the site database: %s\n", db.lastError().c_str());
        return 1;
    }
    session::ServerProfile profile;
    profile.name = argv[1];
    profile.host = argv[2];
    profile.port = std::atoi(argv[3]);
    profile.user = argv[4];
    profile.password = argv[5];
    profile.mruLocalDir = argv[6];
    profile.passiveMode = 1;
    profile.initialDirMode = 0;
    profile.encryption = argc == 8 ? session::kRequireExplicitTls : session::kPlainFtp;
    if (argc == 8) {
        session::TrustStore trust(session::siteDatabaseFolder() + session::TrustStore::kFileName);
        // Kept as the connection will look it up: the address without brackets.
        std::string name = profile.host;
        int fieldPort = 0;
        ftp::parseHostField(profile.host, name, fieldPort);
        if (!trust.remember(name, fieldPort > 0 ? fieldPort : profile.port, argv[7])) {
            std::fprintf(stderr, "cannot store the trusted certificate\n");
            return 1;
        }
    }
    if (!session::saveProfile(db, profile)) {
        std::fprintf(stderr, "cannot save the profile: %s\n", db.lastError().c_str());
        return 1;
    }
    return 0;
}
