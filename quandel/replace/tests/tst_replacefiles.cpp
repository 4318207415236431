#include "ReplaceFiles.h"
#include <QTest>
class TestReplaceFiles final : public QObject
{
    Q_OBJECT
};
QTEST_GUILESS_MAIN(TestReplaceFiles)
#include "tst_replacefiles.moc"
