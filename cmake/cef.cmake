# CEF 91 for the Windows client. Either a real binary distribution for windows32 (CEF_ROOT), or,
# for compile and link checks where none can be had, CEF's distribution without binaries
# (VARNET_CEF_SDK: headers, wrapper sources, CMake files) made whole in the build tree with the
# project's stand-in libcef (tests/cef). Sets VARNET_HAVE_CEF; CEF's variables and macros are then
# known to the whole tree.
set(VARNET_CEF_SDK "" CACHE PATH
    "CEF distribution without binaries; the client is then linked against a stand-in libcef")
set(VARNET_HAVE_CEF FALSE)
set(VARNET_CEF_STANDIN FALSE)
if(NOT WIN32 OR (NOT CEF_ROOT AND NOT VARNET_CEF_SDK))
  return()
endif()

# The client seals its machine ticket with Crypto++.
if(NOT VARNET_HAVE_CRYPTOPP)
  message(FATAL_ERROR "The Windows client needs Crypto++ for its tickets. Visual Studio: "
          "vcpkg install cryptopp:x86-windows-static, and configure with vcpkg's toolchain file "
          "and -DVCPKG_TARGET_TRIPLET=x86-windows-static (docs/windows.md); mingw-w64: "
          "-DVARNET_CRYPTOPP_SOURCE=<Crypto++ sources>, as scripts/test does.")
endif()

if(NOT CEF_ROOT)
  # The distribution's layout, its binaries folder left to the stand-in library.
  set(CEF_ROOT "${CMAKE_BINARY_DIR}/cef-distribution")
  foreach(item include libcef_dll cmake CMakeLists.txt LICENSE.txt)
    if(NOT EXISTS "${CEF_ROOT}/${item}")
      file(MAKE_DIRECTORY "${CEF_ROOT}")
      file(CREATE_LINK "${VARNET_CEF_SDK}/${item}" "${CEF_ROOT}/${item}" SYMBOLIC)
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${CEF_ROOT}/Release" "${CEF_ROOT}/Resources")
  set(VARNET_CEF_STANDIN TRUE)
endif()

# The client runs without the sandbox (no_sandbox), so cef_sandbox.lib is not linked; ATL is
# never used.
set(USE_SANDBOX OFF CACHE BOOL "" FORCE)
set(USE_ATL OFF CACHE BOOL "" FORCE)

# CEF's variables empty the compiler flags for Ninja; they stay the tree's own.
foreach(flags CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_C_FLAGS_DEBUG CMAKE_CXX_FLAGS_DEBUG
              CMAKE_C_FLAGS_RELEASE CMAKE_CXX_FLAGS_RELEASE)
  set(saved_${flags} "${${flags}}")
endforeach()
list(APPEND CMAKE_MODULE_PATH "${CEF_ROOT}/cmake")
find_package(CEF REQUIRED)
foreach(flags CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_C_FLAGS_DEBUG CMAKE_CXX_FLAGS_DEBUG
              CMAKE_C_FLAGS_RELEASE CMAKE_CXX_FLAGS_RELEASE)
  set(${flags} "${saved_${flags}}")
endforeach()

# One build configuration (Ninja, Makefiles): CEF's binaries come from Release unless it is Debug.
if(NOT CMAKE_CONFIGURATION_TYPES)
  if(CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(CEF_BINARY_DIR "${CEF_BINARY_DIR_DEBUG}")
  else()
    set(CEF_BINARY_DIR "${CEF_BINARY_DIR_RELEASE}")
  endif()
endif()

if(MINGW)
  # CEF's switches are MSVC's (/MP /W4 /MT ...): GCC gets none of them, only the definitions.
  foreach(list CEF_COMPILER_FLAGS CEF_COMPILER_FLAGS_DEBUG CEF_COMPILER_FLAGS_RELEASE
               CEF_CXX_COMPILER_FLAGS CEF_CXX_COMPILER_FLAGS_DEBUG CEF_CXX_COMPILER_FLAGS_RELEASE
               CEF_LINKER_FLAGS CEF_LINKER_FLAGS_DEBUG CEF_LINKER_FLAGS_RELEASE
               CEF_EXE_LINKER_FLAGS CEF_EXE_LINKER_FLAGS_DEBUG CEF_EXE_LINKER_FLAGS_RELEASE
               CEF_SHARED_LINKER_FLAGS CEF_SHARED_LINKER_FLAGS_DEBUG
               CEF_SHARED_LINKER_FLAGS_RELEASE)
    set(${list} "")
  endforeach()
  set(CEF_STANDARD_LIBS comctl32 rpcrt4 shlwapi ws2_32)
  # CEF's string wrappers call strlen without including <cstring>, which MSVC brings anyway.
  set(CEF_CXX_COMPILER_FLAGS -include cstring)
endif()

add_subdirectory("${CEF_LIBCEF_DLL_WRAPPER_PATH}" "${CMAKE_BINARY_DIR}/libcef_dll_wrapper")
if(MINGW)
  # CEF's own code, not ours to warn about. The mingw builds are checks, not the product: the
  # wrapper is compiled without optimisation or debug data, a third of the time.
  target_compile_options(libcef_dll_wrapper PRIVATE -w -O0 -g0)
  set_target_properties(libcef_dll_wrapper PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 32)
endif()

# libcef: the distribution's import library, or the stand-in built here into its place.
if(VARNET_CEF_STANDIN)
  add_subdirectory("${PROJECT_SOURCE_DIR}/tests/cef" "${CMAKE_BINARY_DIR}/cef-standin")
  set(CEF_BINARY_FILES libcef.dll)
  set(CEF_RESOURCE_FILES "")
  message(STATUS "CEF: ${VARNET_CEF_SDK} with the stand-in libcef (link checks and start-up tests)")
else()
  ADD_LOGICAL_TARGET(libcef_lib "${CEF_LIB_DEBUG}" "${CEF_LIB_RELEASE}")
  set_target_properties(libcef_lib PROPERTIES IMPORTED_GLOBAL TRUE)
endif()
set(VARNET_HAVE_CEF TRUE)
