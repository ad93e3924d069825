// Remembered COM numbers shared by the GUI and the core: QSettings and the
// core's settings file name the same file, each reads what the other wrote
// (keys with blanks and accents too) and neither loses the other groups; and
// the program's port list shows an adapter under the number it has there.
// Settings live in the test's own XDG_CONFIG_HOME, set before Qt starts.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QSettings>

#include "GuiTestSupport.h"
#include "TempFolder.h"
#include "platform/PortTable.h"
#include "platform/SettingsPortMemory.h"
#include "shell/CQtPortMemory.h"

using namespace halyard;
using namespace halyard::test;

namespace {

const std::string kFtdi = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
// A blank, a colon, a per cent sign, a Latin-1 letter and one beyond.
const std::string kOdd = "usb-Caf\xC3\xA9 Co:1%_\xE2\x82\xAC-if00";

QSettings Program()
{
    return QSettings(QStringLiteral("Orvan"), QStringLiteral("Halyard"));
}

}  // namespace

class PortMemoryTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(QString::fromStdString(CSettingsFile::DefaultPath()));
        CPortTable::Instance().Clear();
    }
    void cleanup() { CPortTable::Instance().Clear(); }

    void bothSidesNameTheSameFile()
    {
        QCOMPARE(Program().fileName().toStdString(), CSettingsFile::DefaultPath());
    }

    void whatTheGuiWritesTheCoreReads()
    {
        {
            QSettings settings = Program();
            settings.setValue("Test Protocol/TimeDefault", "05");
            CQtPortMemory().Save({{kFtdi, 3}, {kOdd, 12}});
        }
        CSettingsPortMemory core;
        QCOMPARE(core.Load(), (std::map<std::string, int>{{kFtdi, 3}, {kOdd, 12}}));
        core.Save({{kFtdi, 4}, {kOdd, 12}, {"usb-new", 5}});
        QCOMPARE(CQtPortMemory().Load(),
                 (std::map<std::string, int>{{kFtdi, 4}, {kOdd, 12}, {"usb-new", 5}}));
        // The core kept the GUI's other group.
        QCOMPARE(Program().value("Test Protocol/TimeDefault").toString(), QString("05"));
    }

    void whatTheCoreWritesTheGuiReads()
    {
        CSettingsPortMemory().Save({{kOdd, 2}});
        QSettings settings = Program();
        QCOMPARE(settings.value(QStringLiteral("Ports/") + QString::fromStdString(kOdd)).toInt(), 2);
        // The GUI writing its own group afterwards keeps the core's.
        settings.setValue("Test Protocol/VisDefault", "4.50");
        settings.sync();
        QCOMPARE(CSettingsPortMemory().Load(), (std::map<std::string, int>{{kOdd, 2}}));
        QCOMPARE(CSettingsFile().ReadGroup("Test Protocol").at("VisDefault"), std::string("4.50"));
    }

    void thePortListShowsTheNumberAnAdapterHas()
    {
        CSettingsPortMemory().Save({{kFtdi, 7}});
        CPortTable::Instance().SetEnumerator([] {
            return std::vector<SerialDeviceInfo>{
                {"/dev/ttyUSB0", "/dev/serial/by-id/" + kFtdi, "FTDI FT232R USB UART (A50285BI)"},
                {"/dev/ttyUSB1", "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0", ""}};
        });
        std::unique_ptr<CHalyardApp> pApp = StartApp();
        auto* pCombo = Find<QComboBox>(&pApp->View(), "portCombo");
        const int nIndex = pCombo->findData(7);
        QVERIFY(nIndex >= 0);
        QCOMPARE(pCombo->itemText(nIndex), QString("COM7  /dev/ttyUSB0  FTDI FT232R USB UART (A50285BI)"));
        QCOMPARE(pCombo->itemData(nIndex, Qt::ToolTipRole).toString(),
                 QString::fromStdString("/dev/serial/by-id/" + kFtdi));
        // The other adapter, which udev could not describe, shows its by-id name,
        // and its new number is in the settings for the next start.
        const int nOther = pCombo->findData(1);
        QVERIFY(nOther >= 0);
        QCOMPARE(pCombo->itemText(nOther), QString("COM1  /dev/ttyUSB1  usb-1a86_USB_Serial-if00-port0"));
        QCOMPARE(PortNumberFromName(pCombo->itemText(nIndex).toStdString()), 7);
        QCOMPARE(Program().value("Ports/usb-1a86_USB_Serial-if00-port0").toInt(), 1);
        StopApp(pApp);
    }
};

int main(int argc, char* argv[])
{
    return RunWithOwnSettings<PortMemoryTest>(argc, argv);
}

#include "test_portmemory.moc"
