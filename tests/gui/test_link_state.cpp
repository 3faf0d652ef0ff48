// The link's state in the status bar in each state the program can start in, and a throttle
// that is used without a link: it says so at once and nothing waits to be sent.

#include "support/AppRig.h"
#include "support/DialogRig.h"

#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>

class TestLinkState : public QObject {
    Q_OBJECT
private slots:
    void statusBarShowsThePortAndItsState_data() {
        QTest::addColumn<QString>("loconet"); // the [LOCONET] keys of the settings file
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("red");
        QTest::addColumn<QString>("throttleMessage"); // after an address and Enter
        const QString noLink = QStringLiteral(
            "Napaka! Program ni povezan s centralo! Lokomotive ni mogoče izbrati. Port "
            "izberete v Orodja > Splošne Nastavitve.");
        QTest::newRow("simulated station") << "COM Port=sim"
                                           << "sim" << false << "";
        QTest::newRow("offline") << "COM Port=sim\nOffline=1"
                                 << "brez povezave" << false << "";
        QTest::newRow("no such device") << "COM Port=/dev/ni-takega-vmesnika"
                                        << "brez povezave" << true << noLink;
        QTest::newRow("no server at the address") << "COM Port=tcp://127.0.0.1:%1"
                                                  << "brez povezave" << true << noLink;
    }
    void statusBarShowsThePortAndItsState() {
        QFETCH(QString, loconet);
        if (loconet.contains(QLatin1String("%1"))) {
            QTcpServer closed; // a port nobody listens on once it is closed again
            QVERIFY(closed.listen(QHostAddress::LocalHost));
            loconet = loconet.arg(closed.serverPort());
        }
        // A port that will not open brings the settings dialog; the operator cancels it.
        WhenOpen<QDialog>([](QDialog* dialog) { dialog->reject(); });
        AppRig rig(
            AppRig::Ini{"[LOCONET]\n" + loconet.toStdString() + "\n[PREFERENCES]\nFirst Run=0\n"});
        QVERIFY(rig.started);
        auto* field = rig.Frame().findChild<QLabel*>(QStringLiteral("linkStateLabel"));
        QVERIFY(field && field->isVisible());
        QTEST(field->text(), "field");
        QTEST(field->styleSheet().contains(QLatin1String("color")), "red");

        rig.prompts.texts.clear();
        CDlgSThrottle* throttle = rig.NewThrottle();
        auto* address = throttle->findChild<QLineEdit*>(QStringLiteral("addressEdit"));
        address->setText(QStringLiteral("3"));
        QTest::keyClick(address, Qt::Key_Return);
        QFETCH(QString, throttleMessage);
        QCOMPARE(rig.Messages(), throttleMessage);
        if (!throttleMessage.isEmpty()) { // and nothing waits to go out later
            QVERIFY(rig.Link().Queue().Empty());
            QVERIFY(!rig.Link().IsSelectionPending());
        }
        rig.Pump();
        QCOMPARE(throttle->Simple().Driving(), throttleMessage.isEmpty());
    }
};

QTEST_MAIN(TestLinkState)
#include "test_link_state.moc"
