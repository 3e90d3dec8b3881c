// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/SignInJob.h"

#include <csignal>

#include "CliEvents.h"
#include "PasswordVariables.h"
#include "Status.h"
#include "library/CliCommands.h"

namespace qv::library {

namespace {

namespace field = events::field;

// How long a stopped sign-in has to end before it is ended hard.
constexpr int kStopWaitMs = 5000;

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

SignInJob::SignInJob(QObject* parent) : QObject(parent) {}

SignInJob::~SignInJob() {
    if (!process_) return;
    process_->disconnect(this);
    Stop();
    if (!process_->waitForFinished(kStopWaitMs)) {
        process_->kill();
        process_->waitForFinished(kStopWaitMs);
    }
}

void SignInJob::Start(const QString& key, const QString& secret) {
    if (process_) return;
    const QString program = CliProgram();
    if (program.isEmpty()) {
        emit Ended(false, "quillvault-cli was found neither beside the Library nor on PATH.");
        return;
    }
    QProcessEnvironment environment = ChildEnvironment({});
    for (const auto& [name, value] :
         {std::pair{kApiKeyVariable, key}, std::pair{kApiSecretVariable, secret}}) {
        environment.remove(name);
        if (!value.isEmpty()) environment.insert(name, value);
    }
    splitter_ = LineSplitter();
    end_.reset();
    process_ = new QProcess(this);
    process_->setProgram(program);
    process_->setArguments({events::command::kSignIn, "--keyring", "--json"});
    process_->setProcessEnvironment(environment);
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setStandardOutputFile(QProcess::nullDevice());
    connect(process_, &QProcess::readyReadStandardError, this, &SignInJob::Read);
    connect(process_, &QProcess::finished, this, [this](int exitCode) {
        Read();
        Finish(exitCode, {});
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) Finish(-1, process_->errorString());
    });
    process_->start();
}

void SignInJob::Stop() {
    if (process_ && process_->processId() > 0) ::kill(static_cast<pid_t>(process_->processId()), SIGINT);
}

void SignInJob::Read() {
    if (!process_) return;
    const QByteArray bytes = process_->readAllStandardError();
    for (const std::string& line : splitter_.Feed(std::string_view(bytes.constData(), bytes.size()))) {
        JobEvent event = ParseEventLine(line);
        switch (event.kind) {
            case EventKind::Notice:
                emit Said(Text(event.Text(field::kText)));
                break;
            case EventKind::Warning:
                emit Said("Warning: " + Text(event.Text(field::kText)));
                break;
            case EventKind::End:
                end_ = std::move(event);
                break;
            default:
                break;
        }
    }
}

void SignInJob::Finish(int exitCode, const QString& failure) {
    if (!process_) return;  // a failed start reports twice
    process_->disconnect(this);
    process_->deleteLater();
    process_ = nullptr;
    const bool signedIn =
        failure.isEmpty() && exitCode == 0 && end_ && end_->Text(field::kStatus) == KindName(StatusKind::Ok);
    if (signedIn) {
        emit Ended(true, "Signed in as " + Text(end_->Text(field::kName)) + ".");
    } else if (!failure.isEmpty()) {
        emit Ended(false, "Not signed in: " + failure);
    } else if (end_ && !end_->Text(field::kText).empty()) {
        emit Ended(false, "Not signed in: " + Text(end_->Text(field::kText)));
    } else {
        emit Ended(false, QString("Not signed in: quillvault-cli ended with exit status %1.").arg(exitCode));
    }
}

}  // namespace qv::library
