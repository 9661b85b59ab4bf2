# Sourced by the scripts that run sanitized tests: any report fails the run.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
