#ifndef HASHENGINE_H
#define HASHENGINE_H

#include <cstddef>
#include <string>

/** The digests a package may be checked by. */
enum class HashAlgorithm { Md5, Sha256 };

/**
 * One running digest computation in one hashing implementation, in plain C++ so that the
 * Windows one builds without Qt.
 */
class HashEngine
{
public:
    virtual ~HashEngine() = default;

    /** False when the system refused the algorithm; such an engine hashes nothing. */
    virtual bool isValid() const = 0;
    /** Feeds the next bytes. */
    virtual void add(const unsigned char *data, std::size_t size) = 0;
    /** The raw digest of everything fed since the start, after which the engine starts over;
        empty when the implementation failed. */
    virtual std::string finish() = 0;

    /** Bytes in a digest of the algorithm: 16 for MD5, 32 for SHA-256. */
    static constexpr std::size_t digestSize(HashAlgorithm algorithm)
    {
        return algorithm == HashAlgorithm::Md5 ? 16 : 32;
    }
};

#endif // HASHENGINE_H
