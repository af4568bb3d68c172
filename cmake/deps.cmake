# Third-party code built with the cross compiler: zlib (Debian's MinGW package),
# minizip (contrib/ of Debian's zlib sources, fetched by scripts/deps.sh), libdeflate
# (Debian's source package, fetched by scripts/deps.sh) and GoogleTest.
set(DEPS_CACHE "$ENV{HOME}/.cache/corvida-deps" CACHE PATH "Folder that scripts/deps.sh fills")
set(MINIZIP_DIR "${DEPS_CACHE}/zlib-src/contrib/minizip" CACHE PATH "minizip sources")
if(NOT EXISTS "${MINIZIP_DIR}/zip.c")
    message(FATAL_ERROR "minizip sources not found in ${MINIZIP_DIR}: run scripts/deps.sh")
endif()

find_library(ZLIB_STATIC NAMES libz.a REQUIRED)
find_path(ZLIB_INCLUDE zlib.h REQUIRED)

add_library(minizip STATIC
    ${MINIZIP_DIR}/zip.c ${MINIZIP_DIR}/ioapi.c ${MINIZIP_DIR}/iowin32.c)
target_include_directories(minizip SYSTEM PUBLIC ${MINIZIP_DIR} ${ZLIB_INCLUDE})
target_link_libraries(minizip PUBLIC ${ZLIB_STATIC})
target_compile_options(minizip PRIVATE -w)

set(LIBDEFLATE_DIR "${DEPS_CACHE}/libdeflate-src" CACHE PATH "libdeflate sources")
if(NOT EXISTS "${LIBDEFLATE_DIR}/libdeflate.h")
    message(FATAL_ERROR "libdeflate sources not found in ${LIBDEFLATE_DIR}: run scripts/deps.sh")
endif()
# Only the compressor and the checksums: the archive never inflates.
add_library(libdeflate STATIC
    ${LIBDEFLATE_DIR}/lib/deflate_compress.c ${LIBDEFLATE_DIR}/lib/utils.c
    ${LIBDEFLATE_DIR}/lib/crc32.c ${LIBDEFLATE_DIR}/lib/x86/cpu_features.c)
target_include_directories(libdeflate SYSTEM PUBLIC ${LIBDEFLATE_DIR})
target_compile_options(libdeflate PRIVATE -w -O2)

set(GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
foreach(t gtest gtest_main gmock gmock_main)
    if(TARGET ${t})
        target_compile_options(${t} PRIVATE -w)
    endif()
endforeach()
