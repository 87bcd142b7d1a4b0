# Everything sets itself up from nothing: a virtual environment with the newest
# CPython >= 3.13 found, the build and test tools, then the module itself.
VENV        := .venv
PY          := $(VENV)/bin/python
BASE_PYTHON  = $(shell tools/find-python)
# The module's sources, its type stubs included (they install beside it).
SOURCES     := $(shell find src -type f) CMakeLists.txt pyproject.toml
# Build tools, and the test tools: python-chess as the peer the tests compare
# with, hypothesis, NumPy for its booleans, mypy for the stubs.
TOOLS       := scikit-build-core cmake ninja pytest chess hypothesis numpy mypy

.PHONY: run test install clean

# Several make runs at once (tests and benchmarks side by side) take turns
# through one lock instead of building into the same directory together.
LOCK        := flock .build.lock

# A virtual environment with the tools: .venv, and the sanitizer build's own.
%/.tools: pyproject.toml Makefile
	test -x $*/bin/python || $(BASE_PYTHON) -m venv $*
	$(LOCK) $*/bin/python -m pip install -q --upgrade pip
	$(LOCK) $*/bin/python -m pip install -q $(TOOLS)
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

# make bench (make bench ARGS=--quick for a short run): vorpane beside
# python-chess in one process, then the chess core's own perft beside
# Stockfish. The native tool builds in a directory of its own.
NATIVE_BUILD := build/native
PERFT        := $(NATIVE_BUILD)/native/perft/vorpane-perft

.PHONY: bench

$(PERFT): $(VENV)/.tools $(SOURCES)
	$(LOCK) $(VENV)/bin/cmake -S . -B $(NATIVE_BUILD) -G Ninja \
		-DCMAKE_MAKE_PROGRAM=$(abspath $(VENV)/bin/ninja) -DCMAKE_BUILD_TYPE=Release \
		-DVORPANE_NATIVE_TOOLS=ON -DVORPANE_PYTHON_MODULE=OFF
	$(LOCK) $(VENV)/bin/cmake --build $(NATIVE_BUILD) --target vorpane-perft

bench: install $(PERFT)
	$(PY) bench/bench.py $(ARGS)
	$(PY) bench/native.py $(PERFT) $(ARGS)

# Reliability: the fuzz target of the chess core (clang's libFuzzer with the
# address and undefined-behaviour sanitizers, clang installed by
# tools/install-clang), its saved inputs replayed under valgrind, and the
# whole test suite against an ASan + UBSan build of the module in a virtual
# environment of its own.
#   make fuzz           a long run: FUZZ_SECONDS=600 by default
#   make fuzz-short     the short run CI makes: FUZZ_SHORT_SECONDS=60
#   make memcheck       every seed and every input found so far under valgrind
#   make test-sanitize  the test suite against the sanitizer build
FUZZ_SECONDS       ?= 600
FUZZ_SHORT_SECONDS ?= 60
FUZZ_BUILD   := build/fuzz
FUZZ_TARGET  := $(FUZZ_BUILD)/native/fuzz/fuzz_board
FUZZ_SEEDS   := native/fuzz/corpus
FUZZ_CORPUS  := $(FUZZ_BUILD)/corpus
FUZZ_RUN      = mkdir -p $(FUZZ_CORPUS) $(FUZZ_BUILD)/artifacts && $(FUZZ_TARGET) \
	-max_len=2048 -timeout=30 -rss_limit_mb=4096 -detect_leaks=1 -print_final_stats=1 \
	-artifact_prefix=$(FUZZ_BUILD)/artifacts/ $(FUZZ_ARGS) $(FUZZ_CORPUS) $(FUZZ_SEEDS)
REPLAY_BUILD := build/fuzz-replay
REPLAY       := $(REPLAY_BUILD)/native/fuzz/fuzz_replay
NATIVE_CMAKE  = $(VENV)/bin/cmake -G Ninja -DCMAKE_MAKE_PROGRAM=$(abspath $(VENV)/bin/ninja) \
	-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORPANE_NATIVE_TOOLS=ON -DVORPANE_PYTHON_MODULE=OFF
SAN_VENV     := build/sanitize/venv
SAN_PY       := $(SAN_VENV)/bin/python
SAN_FLAGS    := -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
# The interpreter is not instrumented, so the runtimes are preloaded into
# it; it keeps memory to the end on purpose, so leak reports stay off there.
SAN_ENV       = LD_PRELOAD="$$(g++ -print-file-name=libasan.so) $$(g++ -print-file-name=libubsan.so)" \
	ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 PYTHONMALLOC=malloc

.PHONY: fuzz fuzz-short memcheck test-sanitize

$(FUZZ_TARGET): $(VENV)/.tools $(SOURCES) native/fuzz/CMakeLists.txt
	cxx=$$(tools/install-clang) && $(LOCK) $(NATIVE_CMAKE) -DCMAKE_CXX_COMPILER=$$cxx \
		-S . -B $(FUZZ_BUILD)
	$(LOCK) $(VENV)/bin/cmake --build $(FUZZ_BUILD) --target fuzz_board

fuzz: $(FUZZ_TARGET)
	$(FUZZ_RUN) -max_total_time=$(FUZZ_SECONDS)

fuzz-short: $(FUZZ_TARGET)
	$(FUZZ_RUN) -max_total_time=$(FUZZ_SHORT_SECONDS) >$(FUZZ_BUILD)/short.log 2>&1 \
		|| { tail -n 60 $(FUZZ_BUILD)/short.log; exit 1; }
	grep -E '^(Done|stat::)' $(FUZZ_BUILD)/short.log

$(REPLAY): $(VENV)/.tools $(SOURCES) native/fuzz/CMakeLists.txt
	$(LOCK) $(NATIVE_CMAKE) -DCMAKE_CXX_COMPILER=g++ -S . -B $(REPLAY_BUILD)
	$(LOCK) $(VENV)/bin/cmake --build $(REPLAY_BUILD) --target fuzz_replay

memcheck: $(REPLAY)
	tools/install-valgrind
	valgrind -q --leak-check=full --show-leak-kinds=definite,indirect,possible \
		--errors-for-leak-kinds=definite,indirect,possible --error-exitcode=1 \
		$(REPLAY) $(FUZZ_SEEDS) $(wildcard $(FUZZ_CORPUS))

$(SAN_VENV)/.installed: $(SAN_VENV)/.tools $(SOURCES)
	$(LOCK) $(SAN_PY) -m pip install -q --no-build-isolation --force-reinstall --no-deps \
		-Cbuild-dir=build/sanitize/cmake -Ccmake.build-type=RelWithDebInfo \
		-Ccmake.define.CMAKE_CXX_COMPILER=g++ "-Ccmake.define.CMAKE_CXX_FLAGS=$(SAN_FLAGS)" \
		"-Ccmake.define.CMAKE_MODULE_LINKER_FLAGS=-fsanitize=address,undefined" .
	touch $@

test-sanitize: $(SAN_VENV)/.installed
	$(SAN_ENV) $(SAN_PY) -c 'import vorpane; assert "/build/sanitize/" in vorpane.__file__'
	$(SAN_ENV) $(SAN_PY) -m pytest -q -p no:cacheprovider
