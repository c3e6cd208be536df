// SPDX-License-Identifier: MIT
#include "SearchRunner.h"

#include <mutex>
#include <new>

#include <QtConcurrent/QtConcurrentRun>

#include "Messages.h"

namespace {

std::mutex g_hookMutex;
std::function<void()> g_workerStartHook;

void RunWorkerStartHook() {
    std::function<void()> hook;
    {
        const std::lock_guard lock(g_hookMutex);
        hook = g_workerStartHook;
    }
    if (hook)
        hook();
}

// A search whose failure, memory running out, is a result like any other:
// an exception would be lost on the worker thread.
// On the worker the index is built first when it is not yet; it is null
// when the list changed meanwhile, and the search then ends as cancelled.
SearchResult Search(SearchIndexSlot& slot, std::shared_ptr<const SpellSearchIndex>& index,
                    const SpellQuery& query, const std::string& textPath, const SearchControl& control,
                    bool onWorker) {
    try {
        index = slot.Built();
        if (onWorker)
            RunWorkerStartHook();
        if (!index)
            index = slot.Get();
        if (!index) {
            SearchResult cancelled;
            cancelled.status.code = StatusCode::kCancelled;
            return cancelled;
        }
        return FindSpells(*index, query, textPath, control);
    } catch (const std::bad_alloc&) {
        SearchResult result;
        result.status.code = StatusCode::kOutOfMemory;
        result.strMessage = messages::CannotSearchList(messages::kNotEnoughMemory);
        return result;
    }
}

// How often a worker search's progress reaches the progress bar.
constexpr int kProgressIntervalMs = 50;

}  // namespace

void SearchRunner::SetWorkerStartHook(std::function<void()> hook) {
    const std::lock_guard lock(g_hookMutex);
    g_workerStartHook = std::move(hook);
}

SearchRunner::SearchRunner(QObject* parent) : QObject(parent) {
    // One search at a time: an overtaken one stops within a millisecond,
    // and the other core stays free for the GUI thread.
    pool_.setMaxThreadCount(1);
    progressTimer_.setInterval(kProgressIntervalMs);
    connect(&progressTimer_, &QTimer::timeout, this, [this] {
        if (job_)
            emit Progressed(job_->progress.load(std::memory_order_relaxed));
    });
}

SearchRunner::~SearchRunner() {
    Cancel();
    pool_.waitForDone();
}

void SearchRunner::Start(std::shared_ptr<SearchIndexSlot> slot, SpellQuery query, std::string textPath,
                         bool inPlace) {
    Cancel();
    if (!slot)
        return;
    if (inPlace) {
        std::shared_ptr<const SpellSearchIndex> index;
        const SearchResult result = Search(*slot, index, query, textPath, {}, false);
        if (result.status.code != StatusCode::kCancelled)
            emit Finished(result, index.get());
        return;
    }

    job_ = std::make_shared<Job>();
    job_->slot = std::move(slot);
    // The worker holds the job, so the index outlives it whatever happens
    // to the list meanwhile.
    auto work = [job = job_, query = std::move(query), textPath = std::move(textPath)] {
        return Search(*job->slot, job->index, query, textPath, {&job->cancel, &job->progress}, true);
    };
    watcher_ = new QFutureWatcher<SearchResult>(this);
    connect(watcher_, &QFutureWatcher<SearchResult>::finished, this, &SearchRunner::OnWorkerFinished);
    watcher_->setFuture(QtConcurrent::run(&pool_, std::move(work)));
    progressTimer_.start();
    emit Started();
}

void SearchRunner::Prepare(const std::shared_ptr<SearchIndexSlot>& slot) {
    if (!slot)
        return;
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, slot] {
        watcher->deleteLater();
        emit Prepared(slot);
    });
    watcher->setFuture(QtConcurrent::run(&pool_, [slot] {
        try {
            RunWorkerStartHook();
            slot->Get();
        } catch (const std::bad_alloc&) {
            // Built() stays null: the boxes offer less, a search says why.
        }
    }));
}

void SearchRunner::Cancel() {
    if (job_)
        job_->cancel.store(true, std::memory_order_relaxed);
    job_.reset();
    progressTimer_.stop();
    if (watcher_) {
        // Deleting the watcher drops its pending report.
        watcher_->disconnect(this);
        watcher_->deleteLater();
        watcher_ = nullptr;
    }
}

void SearchRunner::OnWorkerFinished() {
    QFutureWatcher<SearchResult>* watcher = watcher_;
    const std::shared_ptr<Job> job = job_;
    watcher_ = nullptr;
    job_.reset();
    progressTimer_.stop();
    watcher->deleteLater();
    if (!job || watcher->future().resultCount() == 0)
        return;
    // Taken, not copied: a million rows found are megabytes.
    const SearchResult result = watcher->future().takeResult();
    if (result.status.code != StatusCode::kCancelled)
        emit Finished(result, job->index.get());
}
