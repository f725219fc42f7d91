#include "app/qt/AppInfo.h"

QString AppInfo::version()
{
    return QStringLiteral(AMBREL_VERSION);
}
