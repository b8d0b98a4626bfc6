#include <QApplication>
#include <QLabel>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Nimbrel"));
    QApplication::setOrganizationName(QStringLiteral("Tarvell"));
    QLabel window(QStringLiteral("Nimbrel"));
    window.setWindowTitle(QStringLiteral("Nimbrel"));
    window.setMinimumSize(320, 120);
    window.setAlignment(Qt::AlignCenter);
    window.show();
    return app.exec();
}
