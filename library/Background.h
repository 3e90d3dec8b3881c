// SPDX-License-Identifier: GPL-3.0-or-later
// Work that may wait on another process, the bus or the disk of a large file
// runs on a worker thread, never on the window's; its answer comes back on the
// window's thread, to a receiver that is still there. The work gets copies of
// what it needs, never the window.
#pragma once

#include <QFutureWatcher>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <type_traits>
#include <utility>

namespace qv::library {

template <typename Work, typename Then>
void InBackground(QThreadPool& pool, QObject* receiver, Work work, Then then) {
    using Answer = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Answer>(receiver);
    QObject::connect(watcher, &QFutureWatcherBase::finished, receiver,
                     [watcher, then = std::move(then)]() mutable {
                         watcher->deleteLater();
                         then(watcher->result());
                     });
    watcher->setFuture(QtConcurrent::run(&pool, std::move(work)));
}

}  // namespace qv::library
