"""The tally of the Python checks under tests/: check() each case, finish() at the end."""
import sys

passed = failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAIL:", what)


def finish(what):
    """Prints the tally and exits 1 if any check failed."""
    print(f"{passed} passed, {failed} failed: {what}")
    sys.exit(1 if failed else 0)
