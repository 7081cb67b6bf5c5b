"""The Python module against the program on the example genome, the
conversions of its inputs, its errors, and scans in two threads at once.

Run by pytest on the installed module (.ci/run) or the build folder's
(CTest); VARNO_PROGRAM names the program to compare with."""

import csv
import os
import subprocess
import threading
from pathlib import Path

import pytest

import varno

ROOT = Path(__file__).resolve().parents[2]
EXAMPLES = ROOT / "examples"
SITES = EXAMPLES / "lexa_sites.txt"


@pytest.fixture(scope="module")
def lexa():
    return varno.Motif.from_sites(SITES)


def program_table(tmp_path, genome, *options):
    program = os.environ.get("VARNO_PROGRAM", str(ROOT / "build" / "varno"))
    if not Path(program).exists():
        pytest.skip(f"the program to compare with is missing: {program} (set VARNO_PROGRAM)")
    subprocess.run([program, "--tsv", "--no-logs", "--outdir", str(tmp_path), *options, str(genome), str(SITES)],
                   check=True, stdout=subprocess.DEVNULL, cwd=tmp_path)
    (table,) = tmp_path.glob("*.tsv")
    return read_rows(table)


def read_rows(path):
    with open(path, newline="") as table:
        return list(csv.reader(table, delimiter="\t"))


# The program prints scores with 14 significant digits, p, E and q with 4.
DIGITS = {"score": 14, "own_score": 14, "p_value": 4, "e_value": 4, "q_value": 4}


def same_field(column, ours, theirs):
    if column in DIGITS and ours != "NA":
        return f"{float(ours):.{DIGITS[column]}g}" == theirs
    if column == "p_is_bound" and ours != "NA":
        return ours.upper() == theirs
    return ours == theirs


@pytest.mark.parametrize("options", [dict(), dict(method=8, max_q=0.05, sort="score")])
def test_scan_written_with_pandas_is_the_programs_table(tmp_path, lexa, options):
    argv = [f"--{name.replace('_', '-')}={value}" for name, value in options.items()]
    theirs = program_table(tmp_path, EXAMPLES / "ecoli_k12.gbk", "--threshold=0.8", *argv)
    frame = varno.scan(str(EXAMPLES / "ecoli_k12.gbk"), lexa, **options)
    frame.to_csv(tmp_path / "module.tsv", sep="\t", index=False, na_rep="NA")
    ours = read_rows(tmp_path / "module.tsv")
    assert ours[0] == theirs[0] and len(ours) == len(theirs) > 10
    for row, (mine, program) in enumerate(zip(ours[1:], theirs[1:])):
        for column, a, b in zip(theirs[0], mine, program):
            assert same_field(column, a, b), (row, column, a, b)


def test_seqrecords_scan_as_their_genbank_file(lexa):
    SeqIO = pytest.importorskip("Bio.SeqIO")
    records = list(SeqIO.parse(EXAMPLES / "ecoli_k12.gbk", "genbank"))
    from_file = varno.scan(EXAMPLES / "ecoli_k12.gbk", lexa)
    from_records = varno.scan(records, lexa)
    # Biopython drops the definition's last full stop and joins a wrapped
    # product's lines with a blank where the GenBank reader joins them as they are.
    assert from_records["seq_name"].iloc[0] + "." == from_file["seq_name"].iloc[0]
    no_blanks = [frame.pop("product").str.replace(" ", "") for frame in (from_records, from_file)]
    assert no_blanks[0].equals(no_blanks[1])
    assert from_records.drop(columns="seq_name").equals(from_file.drop(columns="seq_name"))
    # Raw letters: no genes, so no gene context; the same windows and scores.
    raw = varno.scan([varno.Sequence("chromosome", str(records[0].seq).lower())], lexa, as_frame=False)
    assert list(raw["start"]) == list(from_file["start"]) and list(raw["score"]) == list(from_file["score"])
    assert raw["gene_start"].mask.all() and set(raw["seq_id"]) == {"chromosome"}


def test_errors_are_exceptions_with_the_programs_messages(tmp_path, lexa, capfd, monkeypatch):
    monkeypatch.chdir(tmp_path)
    genome = varno.Sequence("s", "ACGT" * 50)
    with pytest.raises(ValueError, match="Option --method takes a method number from 1 to 11: 12"):
        varno.scan(genome, lexa, method=12)
    with pytest.raises(ValueError, match="Option --max-q takes a number above 0 and at most 1: 2"):
        varno.scan(genome, lexa, max_q=2)
    with pytest.raises(ValueError, match="Different site lengths"):
        varno.Motif.from_sites(["ACGT", "ACG"])
    with pytest.raises(OSError, match="Incorrect file name: .*missing.gbk"):
        varno.scan(tmp_path / "missing.gbk", lexa)
    with pytest.raises(ValueError, match="regulon table .* integration"):
        varno.regulon(genome, lexa, integration=1)
    assert capfd.readouterr() == ("", "") and list(tmp_path.iterdir()) == []


def test_two_scans_at_once_with_one_motif(lexa):
    genome = EXAMPLES / "ecoli_k12.fna"
    alone = {method: varno.scan(genome, lexa, method=method, as_frame=False) for method in (4, 11)}
    together = {}
    threads = [threading.Thread(target=lambda m=method: together.__setitem__(m, varno.scan(genome, lexa, method=m,
                                                                                            as_frame=False)))
               for method in (4, 11) for _ in range(2)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for method in (4, 11):
        assert (together[method]["score"] == alone[method]["score"]).all()


def test_every_code_block_of_the_page_runs(tmp_path, monkeypatch, capsys):
    page = (ROOT / "docs" / "python.md").read_text()
    blocks = [block.split("```", 1)[0] for block in page.split("```python\n")[1:]]
    (tmp_path / "examples").symlink_to(EXAMPLES)
    monkeypatch.chdir(tmp_path)
    namespace = {}
    for block in blocks:
        exec(compile(block, "docs/python.md", "exec"), namespace)
    assert len(blocks) == 3 and (tmp_path / "lexa_logo.svg").read_text().startswith("<?xml")
