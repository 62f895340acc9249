#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "app/window/sv_controller.h"

namespace {

int SampleVorlanRun(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Orvane Producer"));
    QApplication::setApplicationName(QStringLiteral("SampleVorlan"));
    QApplication::setApplicationDisplayName(QStringLiteral("Sample Vorlan"));
    QApplication::setApplicationVersion(QStringLiteral(SV_VERSION));
    QApplication::setQuitOnLastWindowClosed(true);
    SVController controller;
    try {
        controller.applicationDidFinishLaunching();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("Sample Vorlan"),
                              QStringLiteral("The catalogue could not be opened.\n\n%1")
                                  .arg(QString::fromUtf8(error.what())));
        return 1;
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    return SampleVorlanRun(argc, argv);
}
