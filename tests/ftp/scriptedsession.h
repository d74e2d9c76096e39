#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ftpsession.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

// A session connected to a scripted server (no login needed), with recording sinks.
// AF_INET6 puts both on ::1.
struct ScriptedSession {
    explicit ScriptedSession(int family = AF_INET) : server(family) {}
    testsupport::ScriptedFtpServer server;
    testsupport::RecordingStatusSink status;
    testsupport::RecordingProgressSink progress;
    std::unique_ptr<ftp::FtpSession> session;

    // Call with ASSERT_NO_FATAL_FAILURE.
    void connect(bool passive = true) {
        server.start();
        session = std::make_unique<ftp::FtpSession>(
            server.family() == AF_INET6 ? "::1" : "127.0.0.1", "u", "p");
        session->port = server.port();
        session->passive = passive;
        session->serverType = ftp::ServerType::Unix;
        session->setStatusSink(&status);
        session->setProgressSink(&progress);
        ASSERT_EQ(session->open(), 1);
    }
    // The data connection's setup as the script must expect it (before FEAT offers EPSV).
    void expectDataSetup(bool passive) {
        if (server.family() == AF_INET6)
            passive ? server.expectEpsv() : server.expectEprt();
        else if (passive)
            server.expectPasv();
        else
            server.expectPort();
    }
};
