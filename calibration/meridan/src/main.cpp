// meridan: the calibration program. Start-up in order: language, default.ini,
// the single-instance lock, the title, then the main window until it closes.
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include "calibration/stop_signals.h"
#include "dialogs/install.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/startup.h"
#include "vantis/gui_style.h"
#include "vantis/model/config.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vantis::gui::ApplyDarkStyle(app);

    // Language: the translation of the system's language, when there is one.
    const std::string suffix = vantis::model::LanguageSuffixFromEnvironment();
    QTranslator translator;
    if (translator.load(QString::fromStdString(
            meridan::TranslationFile(vantis::model::ExecutableFolder(), suffix).string())))
        QApplication::installTranslator(&translator);

    meridan::Startup startup = meridan::RunStartup(vantis::model::DefaultIniPath(), suffix);
    if (startup.outcome != meridan::Startup::Outcome::Ready) {
        QMessageBox::critical(nullptr, QStringLiteral("meridan"), QString::fromStdString(startup.message));
        return 1;
    }
    QApplication::setApplicationName(QString::fromStdString(startup.defaults.appTitle));

    CVantisAutoDlg::Options options;
    options.defaults = startup.defaults;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    CVantisAutoDlg window(options);
    meridan::dialogs::Install(window);
    QApplication::restoreOverrideCursor();
    window.show();

    // SIGINT and SIGTERM end the program as a stop: jobs stopped, pictures back on
    // every projector, nothing half saved, exit 128 + the signal's number.
    vantis::calibration::StopRequest signalled;
    vantis::calibration::StopSignals::Install(signalled);
    QTimer signalWatch;
    QObject::connect(&signalWatch, &QTimer::timeout, &window, [&] {
        if (!signalled.Requested()) return;
        signalWatch.stop();
        window.CloseForSignal();
        QApplication::quit();
    });
    signalWatch.start(100);
    const int status = app.exec();
    vantis::calibration::StopSignals::Uninstall();
    const int signalStatus = vantis::calibration::StopSignals::ExitStatus();
    return signalStatus != 0 ? signalStatus : status;
}
