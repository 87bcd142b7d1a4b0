# Everything sets itself up from nothing: a virtual environment with the newest
# CPython >= 3.13 found, the build and test tools, then the module itself.
VENV        := .venv
PY          := $(VENV)/bin/python
BASE_PYTHON  = $(shell tools/find-python)
SOURCES     := $(shell find src native -name '*.cpp' -o -name '*.h' 2>/dev/null) CMakeLists.txt pyproject.toml
TOOLS       := scikit-build-core cmake ninja pytest chess hypothesis numpy
# The type stubs install with the module; mypy checks them against it in the tests.
SOURCES     += src/vorpane.pyi src/py.typed
TOOLS       += mypy

.PHONY: run test install clean

# Several make runs at once (tests and benchmarks side by side) take turns
# through one lock instead of building into the same directory together.
LOCK        := flock .build.lock

$(VENV)/.tools: pyproject.toml
	test -x $(PY) || $(BASE_PYTHON) -m venv $(VENV)
	$(LOCK) $(PY) -m pip install -q --upgrade pip
	$(LOCK) $(PY) -m pip install -q $(TOOLS)
	touch $@

$(VENV)/.installed: $(VENV)/.tools $(SOURCES)
	$(LOCK) $(PY) -m pip install -q --no-build-isolation --force-reinstall --no-deps .
	touch $@

install: $(VENV)/.installed

# make run FEN="8/8/8/8/8/8/8/K6k w - - 0 1" shows another position.
run: install
	$(PY) examples/demo.py $(if $(FEN),"$(FEN)")

test: install
	$(PY) -m pytest -q

clean:
	rm -rf $(VENV) build dist
