#pragma once

#include "ReplaceFiles.h"

#include <QList>
#include <QObject>

#include <atomic>
#include <optional>
#include <thread>

// The replace across documents of this program and its undo: it writes a
// plan and puts the files back on a worker thread, one at a time, and keeps
// the undo data from one replace to the next (or to the exit), also while
// the window is closed. Undo data that an earlier program left behind (it
// was killed midway) are taken at start-up and can be undone the same way.
class ReplaceSession final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReplaceSession)

public:
    explicit ReplaceSession(QObject *parent = nullptr);
    // Waits for the file being written, if any; the undo data stay.
    ~ReplaceSession() override;

    // At start-up: takes the undo data earlier programs left.
    void takeLeftOver();

    // A replace or an undo is under way.
    bool isBusy() const { return m_worker.has_value(); }
    // There is something to put back and nothing under way.
    bool canUndo() const;
    // What undo would put back comes from an earlier run of the program.
    bool undoIsFromEarlierRun() const { return !m_undo && !m_leftOver.isEmpty(); }

    // Writes the plan; the undo data of the last replace (and any left
    // over) go first. progress and written follow on this object's thread.
    void write(ReplaceFiles::Plan plan);
    // Puts back the files of the last replace; without one of this run,
    // those of the replaces earlier runs left.
    void undo();
    // Stops before the next file.
    void cancel();
    // At exit: stops, waits for the file being written and removes the
    // undo data.
    void discardAtExit();

Q_SIGNALS:
    void progress(int done, int total);
    void written(const QList<ReplaceFiles::DocumentResult> &results, bool cancelled);
    void undone(const QList<ReplaceFiles::DocumentResult> &results, bool fromEarlierRun);
    // canUndo() or isBusy() changed.
    void stateChanged();

private:
    void finishWorker();

    std::optional<ReplaceFiles::UndoStore> m_undo; // this run's last replace
    QList<ReplaceFiles::UndoStore> m_leftOver;     // left by earlier runs
    std::shared_ptr<std::atomic_bool> m_cancel = std::make_shared<std::atomic_bool>(false);
    std::optional<std::thread> m_worker;
};
