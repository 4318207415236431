#include "ReplaceSession.h"

#include "BackgroundWork.h"

#include <QMetaObject>
#include <QPointer>

ReplaceSession::ReplaceSession(QObject *parent) : QObject(parent) {}

ReplaceSession::~ReplaceSession()
{
    // The file under way is finished; the next one is not begun. The undo
    // data stay where they are, as after a kill: the next start offers them.
    m_cancel->store(true);
    if (m_worker && m_worker->joinable()) {
        m_worker->join();
    }
}

void ReplaceSession::takeLeftOver()
{
    m_leftOver = ReplaceFiles::UndoStore::leftOver();
    m_leftOver.removeIf([](const ReplaceFiles::UndoStore &store) { return store.isEmpty(); });
    Q_EMIT stateChanged();
}

bool ReplaceSession::canUndo() const
{
    return !isBusy() && ((m_undo && !m_undo->isEmpty()) || !m_leftOver.isEmpty());
}

void ReplaceSession::write(ReplaceFiles::Plan plan)
{
    if (isBusy()) {
        return;
    }
    // One step of undo: the next replace takes the place of the last. The
    // old data (thousands of files perhaps) are removed on the worker.
    QList<ReplaceFiles::UndoStore> old = std::exchange(m_leftOver, {});
    if (m_undo) {
        old.append(*m_undo);
    }
    m_undo = ReplaceFiles::UndoStore::forThisProgram();
    m_cancel = std::make_shared<std::atomic_bool>(false);
    const QPointer<ReplaceSession> self(this);
    m_worker.emplace([self, old, plan = std::move(plan), undo = &*m_undo, cancel = m_cancel]() mutable {
        BackgroundWork::lowerPriorityOfThisThread();
        for (ReplaceFiles::UndoStore &store : old) {
            store.discard();
        }
        const auto progress = [self](int done, int total) {
            QMetaObject::invokeMethod(
                self,
                [self, done, total] {
                    if (self) {
                        Q_EMIT self->progress(done, total);
                    }
                },
                Qt::QueuedConnection);
        };
        const QList<ReplaceFiles::DocumentResult> results = ReplaceFiles::write(plan, *undo, *cancel, progress);
        const bool cancelled = cancel->load();
        QMetaObject::invokeMethod(
            self,
            [self, results, cancelled] {
                if (self) {
                    self->finishWorker();
                    Q_EMIT self->written(results, cancelled);
                }
            },
            Qt::QueuedConnection);
    });
    Q_EMIT stateChanged();
}

void ReplaceSession::undo()
{
    if (!canUndo()) {
        return;
    }
    const bool earlier = undoIsFromEarlierRun();
    // The stores go to the worker; what is put back is removed.
    QList<ReplaceFiles::UndoStore> stores;
    if (m_undo) {
        stores.append(*m_undo);
        m_undo.reset();
    } else {
        stores = std::exchange(m_leftOver, {});
    }
    const QPointer<ReplaceSession> self(this);
    m_worker.emplace([self, stores, earlier]() mutable {
        BackgroundWork::lowerPriorityOfThisThread();
        QList<ReplaceFiles::DocumentResult> results;
        for (ReplaceFiles::UndoStore &store : stores) {
            results += store.undo();
            store.discard();
        }
        QMetaObject::invokeMethod(
            self,
            [self, results, earlier] {
                if (self) {
                    self->finishWorker();
                    Q_EMIT self->undone(results, earlier);
                }
            },
            Qt::QueuedConnection);
    });
    Q_EMIT stateChanged();
}

void ReplaceSession::cancel()
{
    m_cancel->store(true);
}

void ReplaceSession::finishWorker()
{
    if (m_worker && m_worker->joinable()) {
        m_worker->join();
    }
    m_worker.reset();
    Q_EMIT stateChanged();
}

void ReplaceSession::discardAtExit()
{
    m_cancel->store(true);
    if (m_worker && m_worker->joinable()) {
        m_worker->join();
    }
    m_worker.reset();
    // Only this run's own data: what an earlier run left and was not undone
    // stays for the next start.
    if (m_undo) {
        m_undo->discard();
        m_undo.reset();
    }
}
