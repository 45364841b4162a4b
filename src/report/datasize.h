#ifndef DATASIZE_H
#define DATASIZE_H

#include <QString>

/** Sizes of files as the reports and the status line show them. */
namespace DataSize {

/** Such as "1.2 GB", in kilobytes of 1024 bytes as Windows counts them, in the user's locale;
    the number never parts from its unit. */
QString text(qint64 bytes);

} // namespace DataSize

#endif // DATASIZE_H
