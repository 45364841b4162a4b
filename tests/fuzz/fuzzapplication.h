#ifndef FUZZAPPLICATION_H
#define FUZZAPPLICATION_H

#include <QByteArray>
#include <QString>

/**
 * What every fuzz target needs from Qt: one application object for the whole run, made in
 * LLVMFuzzerInitialize here (the program's classes look for their files beside the executable),
 * the fuzzer's bytes as files there, and the check that reports a broken property.
 */
namespace FuzzApplication {

/** Writes contents to name beside the executable and returns its path; aborts on failure,
    since a target that cannot write its input would fuzz nothing. */
QString writeBeside(const QString &name, const QByteArray &contents);
/** Aborts, which libFuzzer reports as a crash with its input, unless property holds. */
void require(bool property);

} // namespace FuzzApplication

#endif // FUZZAPPLICATION_H
