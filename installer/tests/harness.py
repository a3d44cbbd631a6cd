"""A small test runner for the package tests: named cases run in order, each failure
recorded with its message, and a GoogleTest-style report left in test-results/ for
scripts/test to add up. A failed essential case (an install everything else needs)
marks the cases after it as failed without running them."""
import os
import sys
import time
import traceback
from xml.sax.saxutils import escape, quoteattr


class Failure(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


class Suite:
    def __init__(self, name, results_dir):
        self.name = name
        self.results_dir = results_dir
        self.cases = []  # (name, seconds, failure message or None)
        self.blocked_by = None

    def case(self, name, function, essential=False):
        if self.blocked_by:
            self._record(name, 0.0, f"não executado: {self.blocked_by} falhou")
            return
        start = time.monotonic()
        try:
            function()
            failure = None
        except Failure as error:
            failure = str(error)
        except Exception:
            failure = traceback.format_exc()
        self._record(name, time.monotonic() - start, failure)
        if failure and essential:
            self.blocked_by = name

    def _record(self, name, seconds, failure):
        self.cases.append((name, seconds, failure))
        status = "ok" if failure is None else "FALHOU"
        print(f"[{status}] {self.name}.{name} ({seconds:.1f} s)", flush=True)
        if failure:
            print(failure, flush=True)

    def failed(self):
        return any(failure for _, _, failure in self.cases)

    def finish(self):
        """Writes the report and exits with 0 when every case passed."""
        failed = sum(1 for _, _, f in self.cases if f)
        lines = ['<?xml version="1.0" encoding="UTF-8"?>',
                 f'<testsuites tests="{len(self.cases)}" failures="{failed}" name="AllTests">',
                 f'  <testsuite name={quoteattr(self.name)} tests="{len(self.cases)}" failures="{failed}">']
        for name, seconds, failure in self.cases:
            head = f'    <testcase name={quoteattr(name)} classname={quoteattr(self.name)} time="{seconds:.3f}"'
            if failure is None:
                lines.append(head + "/>")
            else:
                lines.append(head + ">")
                lines.append(f"      <failure message={quoteattr(failure.splitlines()[0][:200])}>"
                             f"{escape(failure)}</failure>")
                lines.append("    </testcase>")
        lines += ["  </testsuite>", "</testsuites>"]
        os.makedirs(self.results_dir, exist_ok=True)
        with open(os.path.join(self.results_dir, self.name + ".xml"), "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        print(f"{self.name}: {len(self.cases) - failed} passed, {failed} failed", flush=True)
        sys.exit(1 if failed else 0)
