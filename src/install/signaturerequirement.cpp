#include "signaturerequirement.h"

namespace SignatureRequirement {

FailureReason refusal(const PackageSignature::Verdict &signature, const QString &publisher)
{
    using Trust = PackageSignature::Trust;
    // A signature that does not verify is refused with a pin or without one.
    if (signature.trust == Trust::Invalid)
        return FailureReason::of(FailureReason::SignatureInvalid);
    if (publisher.isEmpty())
        return FailureReason();
    // Nothing unverified runs where a publisher is pinned.
    if (signature.trust == Trust::Unchecked)
        return FailureReason::of(FailureReason::SignatureUnchecked);
    if (signature.trust == Trust::Unsigned)
        return FailureReason::of(FailureReason::NotSigned);
    if (signature.signer.compare(publisher, Qt::CaseInsensitive) != 0)
        return FailureReason::otherSigner(signature.signer, publisher);
    return FailureReason();
}

} // namespace SignatureRequirement
