#include "UnsavedChanges.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Pending = EditingState::Pending;
using Step = UnsavedChangesCheck::Step;
using Answer = UnsavedChangesCheck::Answer;

Q_DECLARE_METATYPE(EditingState::Pending)
Q_DECLARE_METATYPE(UnsavedChangesCheck::Answer)

// The unsaved-changes check driven as TextChanging drives it, with the
// question, the list and the two saves played by the table.
class TestUnsavedChanges final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void check_data();
    void check();
};

void TestUnsavedChanges::check_data()
{
    QTest::addColumn<Pending>("action");
    QTest::addColumn<bool>("change");
    QTest::addColumn<bool>("untitled");
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("saveWorks");
    QTest::addColumn<QString>("expectedSteps");
    QTest::addColumn<bool>("expectedStop");
    QTest::addColumn<Pending>("expectedAction");
    QTest::addColumn<bool>("expectedChange");

    // (action, change, untitled, answer, save works) -> (steps, stop, action, change)
    QTest::newRow("nothing changed") << Pending::None << false << false << Answer::Yes << true << QString() << false
                                     << Pending::None << false;
    QTest::newRow("No discards") << Pending::None << true << false << Answer::No << true << u"ask"_s << false
                                 << Pending::None << false;
    QTest::newRow("Yes is left pending") << Pending::None << true << false << Answer::Yes << true << u"ask reselect"_s
                                         << true << Pending::Save << true;
    QTest::newRow("Cancel is left pending") << Pending::None << true << false << Answer::Cancel << true
                                            << u"ask reselect"_s << true << Pending::Cancel << true;
    QTest::newRow("pending Yes saves") << Pending::Save << true << false << Answer::Cancel << true << u"save"_s << false
                                       << Pending::None << false;
    QTest::newRow("pending Yes, untitled: Save as")
        << Pending::Save << true << true << Answer::Cancel << true << u"saveAs"_s << false << Pending::None << false;
    QTest::newRow("pending Yes, save fails: the text stays changed")
        << Pending::Save << true << false << Answer::Cancel << false << u"save"_s << true << Pending::None << true;
    QTest::newRow("pending Yes, Save as cancelled")
        << Pending::Save << true << true << Answer::Cancel << false << u"saveAs"_s << true << Pending::None << true;
    QTest::newRow("pending Cancel") << Pending::Cancel << false << false << Answer::Yes << true << QString() << true
                                    << Pending::None << true;
}

void TestUnsavedChanges::check()
{
    QFETCH(Pending, action);
    QFETCH(bool, change);
    QFETCH(bool, untitled);
    QFETCH(Answer, answer);
    QFETCH(bool, saveWorks);

    EditingState state;
    state.mAction = action;
    state.mChange = change;
    // Untitled or not is the caller's to say: an unlisted file has no index either.
    state.mIndex = -1;
    UnsavedChangesCheck check(state, untitled);
    QStringList steps;
    Step step = check.start();
    while (!UnsavedChangesCheck::isDone(step)) {
        switch (step) {
        case Step::AskToSave:
            steps << u"ask"_s;
            step = check.answered(answer);
            break;
        case Step::ReselectAndStop:
            steps << u"reselect"_s;
            step = Step::Stop;
            break;
        case Step::Save:
        case Step::SaveAs:
            steps << (step == Step::Save ? u"save"_s : u"saveAs"_s);
            // As the real saves leave the state: a written document is
            // unchanged; a failed one changed; a cancelled Save as of an
            // untitled document leaves Cancel pending.
            state.mChange = !saveWorks;
            if (!saveWorks && step == Step::SaveAs) {
                state.mAction = Pending::Cancel;
            }
            step = check.saved(saveWorks);
            break;
        case Step::Proceed:
        case Step::Stop:
            break;
        }
        QVERIFY2(steps.size() < 5, "the check does not end");
    }

    QTEST(steps.join(u' '), "expectedSteps");
    QTEST(step == Step::Stop, "expectedStop");
    QTEST(state.mAction, "expectedAction");
    QTEST(state.mChange, "expectedChange");
}

QTEST_GUILESS_MAIN(TestUnsavedChanges)
#include "tst_unsavedchanges.moc"
