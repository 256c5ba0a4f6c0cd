#include "protocol/HelperProtocol.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QuillmereHelper"));
    return QCoreApplication::exec();
}
