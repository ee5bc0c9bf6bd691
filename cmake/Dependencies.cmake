# Third-party libraries, all from Debian packages (the ./test script installs
# them). A build without the tests (scripts/package) needs neither the test
# frameworks nor the stand-ins' HTTP library.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
if(QUILBEX_TESTS)
  find_package(GTest REQUIRED)
endif()
find_package(OpenSSL REQUIRED)

pkg_check_modules(GTK3 REQUIRED IMPORTED_TARGET gtk+-3.0)
pkg_check_modules(WEBKIT REQUIRED IMPORTED_TARGET webkit2gtk-4.1)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(DUKTAPE REQUIRED IMPORTED_TARGET duktape)
if(QUILBEX_TESTS)
  pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
endif()

find_package(benchmark QUIET)
