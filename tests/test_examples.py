"""The example programs run, print what their readers are told, and type-check."""

import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parent.parent
EXAMPLES = ROOT / "examples"


def run_example(*args):
    done = subprocess.run(
        [sys.executable, *args], cwd=ROOT, capture_output=True, text=True, timeout=120)
    assert done.returncode == 0, done.stderr
    return done


def test_random_game_of_the_default_seed_ends_in_mate_after_39_plies():
    out = run_example("examples/random_game.py").stdout.splitlines()
    # 39 moves, each a numbered line, an eight-line diagram and a blank line.
    assert out[0] == "1. e2e3"
    assert out[10] == "1... b8a6"
    assert out[-2].startswith("seed 14, 39 plies: e2e3 b8a6 f1d3 ")
    assert out[-2].endswith(" d7e5 f5e6")
    assert out[-1] == "checkmate: white wins"
    assert len(out) == 39 * 10 + 2


def test_random_game_stops_at_the_ply_limit_without_a_result():
    out = run_example("examples/random_game.py", "--seed", "1", "--max-plies", "6",
                      "--quiet").stdout.splitlines()
    assert len(out) == 8 + 1 + 2
    assert out[-2].startswith("seed 1, 6 plies: ")
    assert len(out[-2].split(": ")[1].split()) == 6
    assert out[-1] == "no result yet (vorpane knows no fifty-move or repetition draw)"


@pytest.mark.parametrize("fen, depth, root_moves, total", [
    (None, 3, 20, 8902),
    ("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 2, 48, 2039),
    ("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 1, 14, 14),
])
def test_perft_prints_one_line_per_root_move_and_the_total(fen, depth, root_moves, total):
    args = ["examples/perft.py", "--depth", str(depth)] + ([fen] if fen else [])
    out = run_example(*args).stdout.splitlines()
    counts = out[:root_moves]
    assert all(len(line.split(": ")[0]) in (4, 5) for line in counts)
    assert sum(int(line.split(": ")[1]) for line in counts) == total
    assert out[root_moves:root_moves + 2] == ["", f"total at depth {depth}: {total}"]
    assert out[-1].endswith(" positions per second")


def test_perft_refuses_a_depth_below_one():
    done = subprocess.run([sys.executable, "examples/perft.py", "--depth", "0"], cwd=ROOT,
                          capture_output=True, text=True, timeout=60)
    assert done.returncode == 2
    assert done.stderr.splitlines()[-1] == "perft.py: error: --depth must be at least 1"


def test_report_names_mate_stalemate_check_and_the_fault_of_a_bad_fen():
    done = run_example("examples/report.py")
    statuses = [line for line in done.stdout.splitlines() if line.startswith("line ")]
    assert statuses == [
        "line 3: in play: white to move, 20 legal moves",
        "line 5: checkmate: black wins",
        "line 7: checkmate: white wins",
        "line 9: checkmate: white wins",
        "line 11: check: black to move, 4 legal moves",
        "line 13: stalemate: black to move has no legal move",
        "line 15: in play: white to move, 48 legal moves",
        "line 17: fault: Invalid starting fen; got e4 e5 Nf3, with 3 parts",
    ]


def test_report_reads_the_file_it_is_given(tmp_path):
    positions = tmp_path / "mine.txt"
    positions.write_text("\n# a comment\n8/8/8/8/8/8/8/K6k w - - 0 1\n")
    out = run_example("examples/report.py", str(positions)).stdout.splitlines()
    assert out == ["line 3: in play: white to move, 3 legal moves",
                   "    8/8/8/8/8/8/8/K6k w - - 0 1"]


def test_examples_pass_mypy_strict(tmp_path):
    done = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path), str(EXAMPLES)],
        cwd=tmp_path, capture_output=True, text=True, timeout=300)
    assert done.returncode == 0, done.stdout + done.stderr


def readme_code_blocks():
    text = (ROOT / "README.md").read_text()
    return [block.split("\n", 1)[1] for block in text.split("```")[1::2]
            if block.startswith("python\n")]


def test_readme_code_runs_and_prints_what_its_comments_say(tmp_path):
    blocks = readme_code_blocks()
    assert len(blocks) == 3
    outputs = []
    for number, block in enumerate(blocks):
        script = tmp_path / f"block{number}.py"
        script.write_text(block)
        outputs.append(run_example(str(script)).stdout.splitlines())
    quick_start, fault, by_uci = outputs
    assert quick_start[8:] == [
        "20 ['h2h3', 'g2g3', 'f2f3', 'e2e3']", "True True True", "d8h4 False", "False",
        "e2e4 e7e8q"]
    assert fault == ["bad position: Invalid starting fen; got not a fen, with 3 parts"]
    assert by_uci == []
