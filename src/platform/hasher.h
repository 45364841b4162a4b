#ifndef HASHER_H
#define HASHER_H

#include "hashengine.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

/**
 * An MD5 or SHA-256 computed incrementally through the fastest implementation this system has:
 * Windows' CNG on Windows, elsewhere OpenSSL's libcrypto where the build found it, and
 * QCryptographicHash where neither is there or the system refuses the algorithm. Every
 * implementation gives the same digests.
 */
class Hasher
{
public:
    using Algorithm = HashAlgorithm;
    enum class Implementation { Qt, Libcrypto, Cng };

    /** The implementations of this build, the one used by default first; Qt is always there. */
    static QList<Implementation> implementations();
    /** A name for reports: "CNG", "libcrypto", "QCryptographicHash". */
    static QString implementationName(Implementation implementation);

    /** Starts a digest; an implementation this build lacks, or which refuses the algorithm,
        is replaced by QCryptographicHash. */
    explicit Hasher(Algorithm algorithm, Implementation implementation = implementations().first());
    ~Hasher();
    Hasher(const Hasher &) = delete;
    Hasher &operator=(const Hasher &) = delete;

    /** The implementation doing the work. */
    Implementation implementation() const { return used; }

    void addData(const char *data, qint64 size);
    void addData(const QByteArray &data);
    /** The raw digest of everything added since the start or the previous result(), after
        which the digest starts over. */
    QByteArray result();

private:
    Implementation used;
    std::unique_ptr<HashEngine> engine;
};

#endif // HASHER_H
