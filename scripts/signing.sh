# shellcheck shell=bash
# Sourced by the Windows demo and the tests that sign packages: a test code-signing key, made
# by openssl, and Authenticode signatures on .exe, .msi and .msp files, made by osslsigncode.

# A self-signed code-signing certificate for the name, valid for days, and its key: <stem>.pem,
# <stem>.key and, for Windows' certificate stores, <stem>.der.
make_signing_key() { # name, stem, days
    openssl req -x509 -newkey rsa:2048 -nodes -days "$3" -subj "/CN=$1" -keyout "$2.key" \
        -out "$2.pem" -addext extendedKeyUsage=codeSigning 2>/dev/null &&
        openssl x509 -in "$2.pem" -outform der -out "$2.der"
}

# The tests' two signers, for two days: publisher.* "Kestrun Test Publisher" and other.*
# "Kestrun Other Publisher".
make_test_signers() {
    make_signing_key "Kestrun Test Publisher" publisher 2 &&
        make_signing_key "Kestrun Other Publisher" other 2
}

# A signed .exe with one byte of its DOS stub's text changed, which its signature covers.
change_signed_exe() { # package
    printf x | dd of="$1" bs=1 seek=80 conv=notrunc status=none
}

# A signed copy of a package.
sign_package() { # key stem, package, signed copy
    rm -f "$3"
    osslsigncode sign -certs "$1.pem" -key "$1.key" -in "$2" -out "$3" >/dev/null
}
