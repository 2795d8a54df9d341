#include <QtTest>
class T : public QObject { Q_OBJECT private slots: void f() { QVERIFY(true); } };
QTEST_GUILESS_MAIN(T)
#include "test_text_to_number.moc"
