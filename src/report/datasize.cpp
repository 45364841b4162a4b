#include "datasize.h"

#include <QLocale>

namespace DataSize {

QString text(qint64 bytes)
{
    return QLocale()
        .formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat)
        .replace(QLatin1Char(' '), QChar::Nbsp);
}

} // namespace DataSize
