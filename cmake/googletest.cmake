# GoogleTest for the suites, found as CMake finds a package: a GoogleTest
# installed for this build's compiler (find_package; GTest_DIR or
# CMAKE_PREFIX_PATH lead to one), or else its sources, built here with this
# build's own compiler, from QB_GTEST_SOURCE_DIR. Debian's googletest package
# installs them in /usr/src/googletest; its libgtest-dev holds a Linux build,
# which the cross builds' toolchains keep out of their search.
# Included by the Windows build (CMakeLists.txt) and the native sanitizer
# build (fuzz/CMakeLists.txt); both link GTest::gtest or GTest::gtest_main.
find_package(GTest CONFIG QUIET)
if(NOT GTest_FOUND)
  set(QB_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH
      "GoogleTest's sources, built with this build's compiler when no installed GoogleTest fits it")
  if(NOT EXISTS ${QB_GTEST_SOURCE_DIR}/CMakeLists.txt)
    message(FATAL_ERROR "GoogleTest not found: no installed package for this compiler (GTest_DIR) and no "
                        "sources in QB_GTEST_SOURCE_DIR=${QB_GTEST_SOURCE_DIR} (Debian's googletest "
                        "package, which tools/setup.sh installs, puts them in /usr/src/googletest)")
  endif()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(${QB_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
