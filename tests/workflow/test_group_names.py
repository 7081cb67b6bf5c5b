# The naming of ortholog groups: by gene name, else informative product,
# else the first member's locus tag; a name already taken, also by a
# paralog's own suffixed name, gets the next free suffix.
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "workflow", "scripts"))
import cluster  # noqa: E402


def test_groups_are_named_by_gene_then_product_then_tag_without_clashes():
    rows = [  # (gene, product, tag), a group per line below
        ("recA", "recombinase A", "A1"), ("recA", "", "A2"), ("", "recombinase", "A3"),
        ("", "hypothetical protein", "B1"), ("", "DNA gyrase", "B2"), ("", "DNA gyrase", "B3"),
        ("", "Hypothetical protein", "C1"),
        ("b", "", "D1"), ("a", "", "D2"),
        ("recA", "", "E1"),
        ("recA_2", "", "F1"),
    ]
    proteins = [("g", "s", tag, gene, product, "M") for gene, product, tag in rows]
    centres = [0, 0, 0, 3, 3, 3, 6, 7, 7, 9, 10]
    group_of, named = cluster.name_groups(proteins, centres)
    assert group_of == ["recA"] * 3 + ["DNA gyrase"] * 3 + ["C1", "a", "a", "recA_2", "recA_2_2"]
    assert [(name, gene, product) for name, gene, product, _ in named][:2] == [
        ("recA", "recA", "recombinase"), ("DNA gyrase", "", "DNA gyrase")]
