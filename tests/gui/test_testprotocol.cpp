// The "Test Protocol" page: the rule that picks the profile's choice and the
// test command, directly.
#include <QApplication>
#include <QTest>

#include "pages/TestModeCommands.h"

using namespace halyard;

namespace {

const QStringList kVisibilities = {"0.50", "1.50", "2.50", "3.50", "4.50", "5.50",
                                   "6.50", "7.50", "8.50", "9.50", "10.50"};

}  // namespace

class TestModeRulesTest : public QObject {
    Q_OBJECT

private slots:
    void theLastChoiceWithinTheValueWins()
    {
        QCOMPARE(LastChoiceWithin(kVisibilities, "4.50"), 4);
        // "10.50" holds "0.50" as well.
        QCOMPARE(LastChoiceWithin(kVisibilities, "10.50"), 10);
        const QStringList times = {"00", "05", "10", "30", "60"};
        QCOMPARE(LastChoiceWithin(times, "100"), 2);
        QCOMPARE(LastChoiceWithin(times, "15"), -1);
        QCOMPARE(LastChoiceWithin({}, "05"), -1);
    }

    void everyFieldOfTheTestCommandHasItsComma()
    {
        QCOMPARE(TestModeCommand({"05", "4.50", 0, 0, "00"}), QString("TEST,05,4.50,0,0,00,"));
        QCOMPARE(TestModeCommand({"15", "3.25", 1, 2, "99"}), QString("TEST,15,3.25,1,2,99,"));
        // Nothing typed still leaves every field in its place.
        QCOMPARE(TestModeCommand({"", "", 0, 1, ""}), QString("TEST,,,0,1,,"));
    }
};

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    int nStatus = 0;
    {
        TestModeRulesTest rules;
        nStatus |= QTest::qExec(&rules, argc, argv);
    }
    return nStatus;
}

#include "test_testprotocol.moc"
