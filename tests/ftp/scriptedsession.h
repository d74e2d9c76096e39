#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ftpsession.h"
#include "recordingsinks.h"
#include "scriptedftpserver.h"

// A session connected to a scripted server (no login needed), with recording sinks.
struct ScriptedSession {
    testsupport::ScriptedFtpServer server;
    testsupport::RecordingStatusSink status;
    testsupport::RecordingProgressSink progress;
    std::unique_ptr<ftp::FtpSession> session;

    // Call with ASSERT_NO_FATAL_FAILURE.
    void connect(bool passive = true) {
        server.start();
        session = std::make_unique<ftp::FtpSession>("127.0.0.1", "u", "p");
        session->port = server.port();
        session->passive = passive;
        session->serverType = ftp::ServerType::Unix;
        session->setStatusSink(&status);
        session->setProgressSink(&progress);
        ASSERT_EQ(session->open(), 1);
    }
    // The data connection's setup as the script must expect it.
    void expectDataSetup(bool passive) {
        if (passive)
            server.expectPasv();
        else
            server.expectPort();
    }
};
