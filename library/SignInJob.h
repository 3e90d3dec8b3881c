// SPDX-License-Identifier: GPL-3.0-or-later
// Signing in for the v2 API from the Library: quillvault-cli sign-in
// --keyring --json as a job of its own, whose events are read as every job's
// are. The command line opens the service's page in the browser, waits for
// the person to allow it, and keeps the application's key and secret and the
// user's token in the keyring, where later runs with --keyring find them.
#pragma once

#include <QObject>
#include <QProcess>
#include <QString>

#include "library/JobEvents.h"

namespace qv::library {

class SignInJob : public QObject {
    Q_OBJECT

public:
    explicit SignInJob(QObject* parent = nullptr);
    // A sign-in still waiting for the browser is stopped.
    ~SignInJob() override;

    // `key`, `secret`: the application's, "" for those the keyring keeps.
    void Start(const QString& key, const QString& secret);
    bool Running() const { return process_ != nullptr; }
    // As Ctrl+C would stop it.
    void Stop();

signals:
    // What the command line says meanwhile: the address it opened, a warning.
    void Said(const QString& text);
    // "Signed in as NAME.", or why not.
    void Ended(bool signedIn, const QString& outcome);

private:
    void Read();
    void Finish(int exitCode, const QString& failure);

    QProcess* process_ = nullptr;
    LineSplitter splitter_;
    std::optional<JobEvent> end_;
};

}  // namespace qv::library
