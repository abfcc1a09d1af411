// meridan_screenshot OUT.png [PROGRESS.png END.png]: the main window after
// connecting to the projectors of the system configuration, with the first
// attached camera running in the camera view, saved as a picture (for the
// documentation; run it under xvfb-run beside `wallsim run`). With two more
// names it then runs Calibration and takes the screen with the wait window's
// progress and, once it ended, with the end message.
//
// meridan_screenshot --boundary OUT.png: as an operator would, with the
// program's dialogs: Camera (the first camera opened), Boundary, Automatic;
// the window once the boundary was found.
#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

#include <cstring>
#include <iostream>

#include "dialogs/CBoundaryDlg.h"
#include "dialogs/CCameraDlg.h"
#include "dialogs/install.h"
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

// Camera, Boundary, Automatic through the dialogs; the window when it ended.
int AutomaticBoundary(CVantisAutoDlg& window, const char* path) {
    meridan::dialogs::Install(window);
    window.SetMessageHandler([](const QString& text) { std::cout << text.toStdString() << "\n"; });
    window.OnConnect();
    while (window.ConnectionRunning()) Pump(50);
    window.WaitForConnection();
    window.OnCamera();
    auto* camera = dynamic_cast<CCameraDlg*>(window.DockedChild());
    if (!camera || camera->CameraList()->count() == 0 || !camera->OpenCamera()) {
        std::cerr << "meridan_screenshot: no camera to open\n";
        return 1;
    }
    Pump(1000);
    camera->Exit();
    Pump(200);
    window.OnBoundary();
    auto* boundary = dynamic_cast<CBoundaryDlg*>(window.DockedChild());
    if (!boundary) return 1;
    while (window.IsBusy()) Pump(50);
    boundary->findChild<QPushButton*>("automaticButton")->click();
    QElapsedTimer t;
    t.start();
    while ((window.WorkflowJob() != 0 || window.IsBusy()) && t.elapsed() < 120000) Pump(50);
    Pump(1500);  // frames with the new overlay reach the view
    if (!window.grab().save(QString::fromLocal8Bit(path))) {
        std::cerr << "meridan_screenshot: cannot write " << path << "\n";
        return 1;
    }
    boundary->Exit();
    window.WaitForJobs();
    window.CameraView()->Stop();
    window.CameraView()->Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const bool automatic = argc == 3 && std::strcmp(argv[1], "--boundary") == 0;
    if (argc < 2) {
        std::cerr << "usage: meridan_screenshot OUT.png [PROGRESS.png END.png] | --boundary OUT.png\n";
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
    if (automatic) return AutomaticBoundary(window, argv[2]);

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
