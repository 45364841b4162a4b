#include "hasher.h"

#ifdef KESTRUN_HAVE_LIBCRYPTO
#include "evphash.h"
#endif
#ifdef Q_OS_WIN
#include "win32hash.h"
#endif

#include <QCryptographicHash>

#include <algorithm>
#include <climits>

namespace {

// Qt's own implementation, which every build has.
class QtHash final : public HashEngine
{
public:
    explicit QtHash(HashAlgorithm algorithm)
        : hash(
            algorithm == HashAlgorithm::Md5 ? QCryptographicHash::Md5 : QCryptographicHash::Sha256)
    { }
    bool isValid() const override { return true; }
    void add(const unsigned char *data, std::size_t size) override
    {
        // Qt 5 takes an int's worth at a time.
        while (size > 0) {
            const int piece = static_cast<int>(std::min<std::size_t>(size, INT_MAX));
            hash.addData(reinterpret_cast<const char *>(data), piece);
            data += piece;
            size -= piece;
        }
    }
    std::string finish() override
    {
        const QByteArray digest = hash.result();
        hash.reset();
        return digest.toStdString();
    }

private:
    QCryptographicHash hash;
};

std::unique_ptr<HashEngine> makeEngine(
    Hasher::Algorithm algorithm, Hasher::Implementation implementation)
{
    switch (implementation) {
    case Hasher::Implementation::Libcrypto:
#ifdef KESTRUN_HAVE_LIBCRYPTO
        return std::make_unique<EvpHash>(algorithm);
#else
        break;
#endif
    case Hasher::Implementation::Cng:
#ifdef Q_OS_WIN
        return std::make_unique<Win32Hash>(algorithm);
#else
        break;
#endif
    case Hasher::Implementation::Qt:
        break;
    }
    return nullptr;
}

} // namespace

QList<Hasher::Implementation> Hasher::implementations()
{
    QList<Implementation> result;
#ifdef Q_OS_WIN
    result << Implementation::Cng;
#endif
#ifdef KESTRUN_HAVE_LIBCRYPTO
    result << Implementation::Libcrypto;
#endif
    result << Implementation::Qt;
    return result;
}

QString Hasher::implementationName(Implementation implementation)
{
    switch (implementation) {
    case Implementation::Cng:
        return QStringLiteral("CNG");
    case Implementation::Libcrypto:
        return QStringLiteral("libcrypto");
    case Implementation::Qt:
        break;
    }
    return QStringLiteral("QCryptographicHash");
}

Hasher::Hasher(Algorithm algorithm, Implementation implementation)
    : used(implementation)
    , engine(makeEngine(algorithm, implementation))
{
    if (!engine || !engine->isValid()) {
        used = Implementation::Qt;
        engine = std::make_unique<QtHash>(algorithm);
    }
}

Hasher::~Hasher() = default;

void Hasher::addData(const char *data, qint64 size)
{
    engine->add(reinterpret_cast<const unsigned char *>(data), static_cast<std::size_t>(size));
}

void Hasher::addData(const QByteArray &data)
{
    addData(data.constData(), data.size());
}

QByteArray Hasher::result()
{
    return QByteArray::fromStdString(engine->finish());
}
