// meridan_screenshot OUT.png [PROGRESS.png END.png]: the main window after
// connecting to the projectors of the system configuration, with the first
// attached camera running in the camera view, saved as a picture (for the
// documentation; run it under xvfb-run beside `wallsim run`). With two more
// names it then runs Calibration and takes the screen with the wait window's
// progress and, once it ended, with the end message.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QScreen>

#include <iostream>

#include "meridan/CChannelIconListCtrl.h"
#include "meridan/CVantisAutoDlg.h"
#include "meridan/CWaitDlg.h"
#include "meridan/DeviceWatcher.h"
#include "oculet/CDShowCameraCtrl.h"
#include "vantis/model/config.h"

namespace {

void Pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool SaveScreen(const char* path) {
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    if (screen.save(QString::fromLocal8Bit(path))) return true;
    std::cerr << "meridan_screenshot: cannot write " << path << "\n";
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::cerr << "usage: meridan_screenshot OUT.png\n";
        return 2;
    }
    CVantisAutoDlg::Options options;
    std::string error;
    if (!vantis::model::ReadDefaults(vantis::model::DefaultIniPath(), &options.defaults, &error)) {
        std::cerr << "meridan_screenshot: default.ini: " << error << "\n";
        return 1;
    }
    options.watchDevices = false;
    CVantisAutoDlg window(options);
    window.SetQuestionHandler([](const QString&) { return true; });
    window.SetErrorHandler([](const QString& text) {
        std::cerr << text.toStdString() << "\n";
        return 1;
    });
    window.setGeometry(0, 0, 1280, 800);
    window.show();

    const auto names = meridan::AttachedCameraNames();
    if (!names.empty()) {
        window.CameraView()->Open(0, 1920, 1080);
        window.CameraView()->Run();
        window.Doc().SetCameraName(names.front());
    }
    window.OnConnect();
    while (window.ConnectionRunning()) Pump(50);
    window.WaitForConnection();
    Pump(1500);  // frames reach the view
    window.ChannelList()->SelectItem(0);
    Pump(200);
    if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
        std::cerr << "meridan_screenshot: cannot write " << argv[1] << "\n";
        return 1;
    }
    if (argc >= 4) {
        window.OnCalibration();
        QElapsedTimer t;
        t.start();
        // A projector's photographs under way: the progress bar past its start.
        while (window.WaitWindow() && !window.WaitWindow()->StatusText().contains("centre") &&
               t.elapsed() < 60000)
            Pump(20);
        Pump(100);
        if (!SaveScreen(argv[2])) return 1;
        while (window.WorkflowJob() != 0 && t.elapsed() < 120000) Pump(50);
        Pump(500);
        if (!SaveScreen(argv[3])) return 1;
        std::cout << window.LastJobEnd().toStdString() << "\n";
    }
    window.CameraView()->Stop();
    window.CameraView()->Close();
    return 0;
}
