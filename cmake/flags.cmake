set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
add_compile_options(-Wall -Wextra)
# scripts/test turns it on, so a warning fails the test run instead of scrolling by.
option(ORVANE_WERROR "treat compiler warnings as errors" OFF)
if(ORVANE_WERROR)
  add_compile_options(-Werror)
endif()

if(WIN32)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
  # SSE2 arithmetic, so floating-point dither gives the same samples as the native build.
  add_compile_options(-msse2 -mfpmath=sse)
endif()

# ORVANE_SANITIZE: "address,undefined" or "thread" for the native sanitizer builds.
set(ORVANE_SANITIZE "" CACHE STRING "sanitizers for the native build")
if(ORVANE_SANITIZE)
  add_compile_options(-fsanitize=${ORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${ORVANE_SANITIZE})
  add_compile_definitions(ORVANE_SANITIZED=1)
  # The fuzzers link the core, so the core carries their coverage instrumentation.
  if(ORVANE_SANITIZE MATCHES "address" AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()

# Prefix of every test this build registers, so one ctest run over all builds keeps the
# names apart.
set(ORVANE_TEST_PREFIX "" CACHE STRING "prefix of this build's test names")
