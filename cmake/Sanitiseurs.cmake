# CLARVANE_SANITISEURS=ON: every target of the project built with AddressSanitizer and
# UndefinedBehaviorSanitizer, any finding fatal (`make test` runs the tests so, in
# build-asan/). Qt itself is not instrumented.
option(CLARVANE_SANITISEURS "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(CLARVANE_SANITISEURS)
  set(drapeaux -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(options_projet INTERFACE ${drapeaux})
  target_link_options(options_projet INTERFACE -fsanitize=address,undefined)
  # For the tests (tests/CMakeLists.txt): a finding ends the test with an error, with its
  # stack; leaks are checked, less those of the libraries under Qt (asan.supp), and so are
  # the other findings (asan-bibliotheques.supp).
  set(environnement_sanitiseurs ";ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1:suppressions=${PROJECT_SOURCE_DIR}/cmake/asan-bibliotheques.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/cmake/asan.supp:print_suppressions=0")
endif()
