"""What gets installed: the type stubs match the module, and the wheel is one abi3 wheel."""

import re
import subprocess
import sys
import zipfile
from pathlib import Path

import pytest

import vorpane

ROOT = Path(__file__).resolve().parent.parent
STUB = ROOT / "src" / "vorpane.pyi"


def run(args, cwd, timeout=300):
    return subprocess.run(args, cwd=cwd, capture_output=True, text=True, timeout=timeout)


def test_installed_stubs_are_the_source_stub():
    # Beside the module for editors, and as the stub-only package that mypy finds.
    site = Path(vorpane.__file__).parent
    assert (site / "vorpane.pyi").read_text() == STUB.read_text()
    assert (site / "vorpane-stubs" / "__init__.pyi").read_text() == STUB.read_text()
    assert (site / "vorpane-stubs" / "py.typed").is_file()


def test_stubtest_finds_the_stub_and_the_module_in_agreement(tmp_path):
    done = run([sys.executable, "-m", "mypy.stubtest", "vorpane"], cwd=tmp_path)
    assert done.returncode == 0, done.stdout + done.stderr
    assert done.stdout.strip() == "Success: no issues found in 1 module"


def test_mypy_sees_the_precise_types(tmp_path):
    (tmp_path / "use.py").write_text(
        "from vorpane import Board, Move\n"
        "board = Board()\n"
        "reveal_type(board.legal_moves())\n"
        "reveal_type(board.pop().promotion)\n"
        "reveal_type(board.turn)\n"
        "board.apply_move('e2e4')\n"
        "Move(12, 28, promotion=5)\n")
    done = run([sys.executable, "-m", "mypy", "--strict", "use.py"], cwd=tmp_path)
    out = done.stdout.replace("builtins.", "")  # older mypy names builtins in full
    assert 'Revealed type is "list[vorpane.Move]"' in out
    assert 'Revealed type is "str | None"' in out
    assert 'Revealed type is "bool"' in out
    assert 'use.py:6: error: Argument 1 to "apply_move" of "Board" has incompatible type' in out
    assert 'use.py:7: error: Argument "promotion" to "Move" has incompatible type' in out
    assert done.returncode == 1


@pytest.mark.slow  # compiles the module again when the sources changed since the last install
def test_wheel_is_abi3_for_cp313_and_installs_into_a_new_venv(tmp_path):
    wheels = tmp_path / "wheels"
    # Same lock and build directory as `make install`, so this build only relinks.
    done = run(["flock", str(ROOT / ".build.lock"), sys.executable, "-m", "pip", "wheel", "-q",
                "--no-build-isolation", "--no-deps", "--no-index", "-w", str(wheels), str(ROOT)],
               cwd=ROOT, timeout=900)
    assert done.returncode == 0, done.stderr
    (wheel,) = wheels.glob("*.whl")
    assert re.fullmatch(r"vorpane-[0-9.]+-cp313-abi3-[a-z0-9_]+\.whl", wheel.name), wheel.name
    names = zipfile.ZipFile(wheel).namelist()
    for name in ("vorpane.abi3.so", "vorpane.pyi", "vorpane-stubs/__init__.pyi",
                 "vorpane-stubs/py.typed"):
        assert name in names

    venv = tmp_path / "venv"
    python = venv / "bin" / "python"
    assert run([sys.executable, "-m", "venv", "--without-pip", str(venv)], cwd=tmp_path).returncode == 0
    done = run([sys.executable, "-m", "pip", "--python", str(python), "install", "-q",
                "--no-deps", "--no-index", str(wheel)], cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    done = run([str(python), "-c",
                "import vorpane; b = vorpane.Board(); b.apply_move(b.legal_moves()[0]);"
                "print(vorpane.__file__); print(b.pop().uci())"], cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    module_file, move = done.stdout.split()
    assert Path(module_file).is_relative_to(venv)
    assert move == "h2h3"
