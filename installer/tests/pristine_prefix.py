#!/usr/bin/env python3
"""Makes the Wine prefix that the install tests copy: booted once, nothing run in it."""
from context import Context
from wine_prefix import make_pristine

context = Context()
context.suite.case("prefixo_novo", lambda: make_pristine(context.pristine))
context.suite.finish()
