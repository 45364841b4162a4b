#!/usr/bin/env bash
# Puts Qt 5.15.8 (qtbase, qtdeclarative, Qt Quick Controls 1) and OpenSSL 3.0.20 for 64-bit
# Windows, built with Debian's mingw-w64 (posix thread model), into a cache folder outside the
# clone that every clone on the machine shares:
#
#   ${XDG_CACHE_HOME:-~/.cache}/kestrun/windows-qt-<key>/kestrun-windows-qt
#
# <key> stands for the sources' versions and checksums and the build flags, so a change to any
# of them gives a new folder. When the folder is not there yet, the prebuilt copy in
# ../shared/windows-qt/ beside the clone is unpacked if its SHA-256 matches; otherwise Qt is
# built from Debian's source packages (apt-get source, as root: it adds a deb-src list) and the
# Qt Quick Controls 1 tarball in ../shared/third-party/, with the same flags the prebuilt copy
# was made with (about 40 minutes on 2 cores).
#
# Prints what it does and how long it took on standard error, and the Qt folder (the prefix for
# CMAKE_PREFIX_PATH) as the last line of standard output.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# CI lays out a copy of the shared folder beside the clone; KESTRUN_SHARED names another place.
shared=${KESTRUN_SHARED:-$here/../../shared}

qt_version=5.15.8
qtbase_source=qtbase-opensource-src=5.15.8+dfsg-11+deb12u3
qtdeclarative_source=qtdeclarative-opensource-src=5.15.8+dfsg-3
openssl_source=openssl=3.0.20-1~deb12u2
controls_tarball=qtquickcontrols-everywhere-src-5.15.8.tar.xz
controls_sha256=273ab575a6f51425384ce3cf0e24b5a80f9c44e1be6d309c141d38b6e8082855
prebuilt_tarball=qt-5.15.8-openssl-3.0.20-x86_64-w64-mingw32.tar.xz
prebuilt_sha256=181846a424535ee4e1698ece4676fb73a9f31f9d268239e630313c84580e19a2

openssl_flags=(mingw64 --cross-compile-prefix=x86_64-w64-mingw32- shared no-tests)
qtbase_flags=(-xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32-
    -opensource -confirm-license -release -shared -nomake examples -nomake tests -no-dbus -no-icu
    -qt-zlib -qt-pcre -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -opengl desktop
    -openssl-runtime -no-sql-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql -no-feature-sql
    -no-feature-xml -no-feature-vulkan -no-feature-tabletevent -no-direct2d)
qtdeclarative_flags=(-- -no-feature-d3d12)

say() { echo "windows-qt: $*" >&2; }
fail() { say "$*"; exit 1; }
# Runs a step and says how long it took.
timed() { # description, command...
    local description=$1 start=$SECONDS
    shift
    say "$description"
    "$@"
    say "$description: done in $((SECONDS - start)) s"
}

key=$(printf '%s\n' "$qtbase_source" "$qtdeclarative_source" "$openssl_source" \
    "$controls_sha256" "${openssl_flags[*]}" "${qtbase_flags[*]}" "${qtdeclarative_flags[*]}" |
    sha256sum | cut -c1-16)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/kestrun/windows-qt-$key
qt=$cache/kestrun-windows-qt

unpack_prebuilt() { # tarball
    local staging=$cache/unpacking
    rm -rf "$staging"
    mkdir -p "$staging"
    tar -xJf "$1" -C "$staging"
    mv "$staging/kestrun-windows-qt" "$qt"
    rmdir "$staging"
}

# Debian's mingw-w64 names its posix-thread compilers with -posix; Qt's configure and OpenSSL's
# Configure call the plain x86_64-w64-mingw32- names, so those come first on PATH.
posix_compilers() { # folder
    local tool
    mkdir -p "$1"
    for tool in gcc g++ cpp; do
        ln -sf "$(command -v "x86_64-w64-mingw32-$tool-posix")" "$1/x86_64-w64-mingw32-$tool"
    done
}

fetch_sources() { # folder
    local list=/etc/apt/sources.list.d/kestrun-deb-src.sources
    if [[ ! -f $list ]]; then
        [[ $(id -u) == 0 ]] || fail "adding the deb-src list $list needs root"
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$list"
        apt-get update -qq
    fi
    (cd "$1" && apt-get source -qq "$qtbase_source" "$qtdeclarative_source" "$openssl_source")
    echo "$controls_sha256  $shared/third-party/$controls_tarball" | sha256sum -c --quiet ||
        fail "$shared/third-party/$controls_tarball is missing or does not match its SHA-256"
    tar -xJf "$shared/third-party/$controls_tarball" -C "$1"
}

build_openssl() ( # sources, prefix
    cd "$1"/openssl-3.0.*/
    ./Configure "${openssl_flags[@]}" --prefix="$2" --libdir=lib
    make -j"$(nproc)"
    make install_sw
)

build_qtbase() ( # sources, prefix
    mkdir -p "$1/build-qtbase"
    cd "$1/build-qtbase"
    "$1"/qtbase-opensource-src-*/configure -prefix "$2" "${qtbase_flags[@]}" -I "$2/include"
    make -j"$(nproc)"
    make install
)

build_qmake_module() ( # sources, prefix, source folder, flags...
    local sources=$1 prefix=$2 module=$3
    shift 3
    mkdir -p "$sources/build-${module##*/}"
    cd "$sources/build-${module##*/}"
    "$prefix/bin/qmake" "$module" "$@"
    make -j"$(nproc)"
    make install
)

build_from_sources() {
    local work=$cache/sources staging=$cache/building
    rm -rf "$work" "$staging"
    mkdir -p "$work" "$staging"
    posix_compilers "$work/compilers"
    export PATH=$work/compilers:$PATH
    timed "fetching the sources" fetch_sources "$work"
    timed "building OpenSSL" build_openssl "$work" "$staging"
    timed "building qtbase" build_qtbase "$work" "$staging"
    timed "building qtdeclarative" build_qmake_module "$work" "$staging" \
        "$(echo "$work"/qtdeclarative-opensource-src-*)" "${qtdeclarative_flags[@]}"
    timed "building Qt Quick Controls 1" build_qmake_module "$work" "$staging" \
        "$(echo "$work"/qtquickcontrols-everywhere-src-*)"
    # The host tools find their prefix through qt.conf, wherever the folder moves.
    printf '[Paths]\nPrefix=..\nHostPrefix=..\n' >"$staging/bin/qt.conf"
    mv "$staging" "$qt"
    rm -rf "$work"
}

mkdir -p "$cache"
# One clone fills the cache at a time; the others wait and then use it.
exec 9>"$cache/lock"
flock 9
start=$SECONDS
if [[ -x $qt/bin/qmake ]]; then
    say "using the cached Qt $qt_version in $qt"
elif [[ -f $shared/windows-qt/$prebuilt_tarball ]] &&
    echo "$prebuilt_sha256  $shared/windows-qt/$prebuilt_tarball" | sha256sum -c --quiet; then
    timed "unpacking the prebuilt Qt $qt_version into $qt" \
        unpack_prebuilt "$shared/windows-qt/$prebuilt_tarball"
else
    say "no prebuilt Qt $qt_version with SHA-256 $prebuilt_sha256 in $shared/windows-qt;" \
        "building it from sources (about 40 minutes on 2 cores)"
    timed "building Qt $qt_version for Windows into $qt" build_from_sources
fi
say "Qt for Windows ready in $((SECONDS - start)) s"
echo "$qt"
