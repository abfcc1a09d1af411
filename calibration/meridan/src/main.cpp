// meridan: the calibration program. Start-up in order: language, default.ini,
// the single-instance lock, the title, then the main window until it closes.
#include <QApplication>
#include <QMessageBox>
#include <QTranslator>

#include "meridan/CVantisAutoDlg.h"
#include "meridan/startup.h"
#include "vantis/model/config.h"
#ifdef MERIDAN_WITH_DIALOGS
#include "dialogs/install.h"
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);

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
#ifdef MERIDAN_WITH_DIALOGS
    meridan::dialogs::Install(window);
#endif
    QApplication::restoreOverrideCursor();
    window.show();
    return app.exec();
}
