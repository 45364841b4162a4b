#ifndef SIGNATUREREQUIREMENT_H
#define SIGNATUREREQUIREMENT_H

#include "platform/packagesignature.h"
#include "report/failurereason.h"

#include <QString>

/**
 * What a package's signature must be before the package runs: valid where it has one, and,
 * where the configuration pins a publisher, present and made by that publisher.
 */
namespace SignatureRequirement {

/** Why a package with this signature must not run, publisher pinned (empty: none); None when
    it may. The signer's name is compared without regard to case. */
FailureReason refusal(const PackageSignature::Verdict &signature, const QString &publisher);

} // namespace SignatureRequirement

#endif // SIGNATUREREQUIREMENT_H
