// SPDX-License-Identifier: MIT
#pragma once
// Runs searches of the spell list, on the GUI thread when they are small
// and on a worker thread otherwise. Only the latest search reports: one
// that a newer search or Cancel() overtakes is told to stop and is never
// heard from. A search that runs out of memory reports kOutOfMemory.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include "SpellListModel.h"
#include "SpellSearch.h"

class SearchRunner : public QObject {
    Q_OBJECT

public:
    explicit SearchRunner(QObject* parent = nullptr);
    ~SearchRunner() override;  // stops the running search and waits for it

    // Searches the index of `slot` for `query`, with descriptions from
    // `textPath`; a worker builds the index first when it is not built. In
    // place, Finished() is emitted before Start() returns.
    void Start(std::shared_ptr<SearchIndexSlot> slot, SpellQuery query, std::string textPath, bool inPlace);
    // Stops the running search, if any; it does not report.
    void Cancel();
    // Builds the index of `slot` on the worker, after any search there;
    // Prepared() tells when it is built (or the slot was dropped).
    void Prepare(const std::shared_ptr<SearchIndexSlot>& slot);
    bool IsRunning() const { return watcher_ != nullptr; }

    // For tests: runs on the worker thread before each search there; it
    // may throw std::bad_alloc as the search could.
    static void SetWorkerStartHook(std::function<void()> hook);

signals:
    // A worker search began; Progressed() follows it until Finished().
    void Started();
    void Progressed(int value);  // 0..kSearchProgressMax
    // The latest search ended (never with kCancelled); `index` is the one
    // it searched, whose row numbers `result` holds (null when memory ran
    // out before it was built).
    void Finished(const SearchResult& result, const SpellSearchIndex* index);
    // The build asked for by Prepare() ended; the slot's Built() has the
    // index, or null when the list changed or memory ran out.
    void Prepared(const std::shared_ptr<SearchIndexSlot>& slot);

private:
    struct Job {
        std::atomic<bool> cancel{false};
        std::atomic<int> progress{0};
        std::shared_ptr<SearchIndexSlot> slot;
        std::shared_ptr<const SpellSearchIndex> index;  // set by the worker
    };

    void OnWorkerFinished();

    QThreadPool pool_;
    QTimer progressTimer_;
    std::shared_ptr<Job> job_;
    QFutureWatcher<SearchResult>* watcher_ = nullptr;
};
