# One place for every third-party version the build and tests use.
# Debian 12 packages (installed by scripts/deps.sh); the versions are the ones the
# project is built and tested with, printed by `scripts/deps.sh --check`.
MINGW_PACKAGES="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix libz-mingw-w64-dev"
MINGW_VERSION="12.2.0 (runtime 10.0.0)"
WINE_PACKAGES="wine64 fonts-wine"
WINE_VERSION="8.0~repack-4"
TEST_PACKAGES="xvfb xauth xdotool imagemagick x11-apps python3-pyftpdlib unzip zip curl 7zip"
BUILD_PACKAGES="cmake ninja-build make googletest dpkg-dev bzip2 xz-utils"
INSTALLER_PACKAGES="nsis"
GOOGLETEST_VERSION="1.12.1"        # sources from the googletest package, /usr/src/googletest
# minizip is compiled from contrib/minizip of Debian's zlib source package.
ZLIB_SOURCE_VERSION="1:1.2.13.dfsg-1"
ZLIB_ORIG_TARBALL="zlib_1.2.13.dfsg.orig.tar.bz2"
# libdeflate (whole-buffer deflate for the archive) is compiled from Debian's source package.
LIBDEFLATE_SOURCE_VERSION="1.14-1"
LIBDEFLATE_ORIG_TARBALL="libdeflate_1.14.orig.tar.gz"
