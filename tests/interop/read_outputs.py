"""DendroPy, Bio.Phylo and ETE3 find the clades of the program's own report in its tree and NEXUS
forms; DendroPy reads the annotated NEXUS's node comments, ETE3 the NHX ones, as the branch table
gives them on the same clades, and the gene nodes tagged as duplications as the gene trees' counts;
Python's csv module reads the branch table, whose duplications and losses add up to the report's
totals. Usage: read_outputs.py DLSPECIES DLSIM WORKDIR; exits 77 (skip) without a library."""
import csv, io, os, re, subprocess, sys

try:
    import dendropy
    from Bio import Phylo
    import ete3
except ImportError as missing:
    print("skipped:", missing)
    sys.exit(1 if os.environ.get("DLS_REQUIRE_INTEROP") else 77)

program, dlsim, work = sys.argv[1:4]


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def clades(newick):
    """Leaf sets of every inner node of a Newick tree of bare or quoted names."""
    stack, found = [[]], []
    for token in re.findall(r"'(?:[^']|'')*'|[(),;]|[^(),;']+", newick):
        if token == "(":
            stack.append([])
        elif token == ")":
            leaves = stack.pop()
            found.append(frozenset(leaves))
            stack[-1].extend(leaves)
        elif token not in ",;":
            stack[-1].append(token.strip("'").replace("''", "'"))
    return set(found)


def dendropy_name(node):
    return node.taxon.label if node.taxon is not None else node.label


def library_clades(leaf_sets):
    return {frozenset(leaves) for leaves in leaf_sets if len(leaves) > 1}


words = os.path.join(work, "words.nwk")
numbers = os.path.join(work, "numbers.nwk")
with open(words, "w") as out:
    out.write(run(dlsim, "-n", "9", "-m", "30", "--seed", "3", "--weighted", "0.5"))
with open(numbers, "w") as out:
    out.write(re.sub(r"S0*", "", run(dlsim, "-n", "12", "-m", "40", "--seed", "4", "--unrooted", "0.3")))
for data in (words, numbers):
    base = [program, "-q", "--seed", "1", "-i", data]
    expected = clades(run(*base).strip().splitlines()[-1])
    tree = run(*base, "--oformat", "tree")
    dendropy_tree = dendropy.Tree.get(data=tree, schema="newick", preserve_underscores=True)
    found = {
        "DendroPy tree": [[dendropy_name(t) for t in n.leaf_nodes()] for n in dendropy_tree.internal_nodes()],
        "Bio.Phylo tree": [[t.name for t in c.get_terminals()] for c in Phylo.read(io.StringIO(tree), "newick").get_nonterminals()],
        "ETE3 tree": [n.get_leaf_names() for n in ete3.Tree(tree, format=1).traverse() if not n.is_leaf()],
    }
    gene_count = len(re.findall(r";", open(data).read()))
    for genes in ([], ["--genetrees"]):
        nexus = run(*base, "--oformat", "nexus", *genes)
        # Gene trees repeat species: leaves are read as labels, not taxa.
        trees = dendropy.TreeList.get(data=nexus, schema="nexus", preserve_underscores=True, suppress_leaf_node_taxa=True)
        phylo = list(Phylo.parse(io.StringIO(nexus), "nexus"))
        assert len(trees) == len(phylo) == 1 + (gene_count if genes else 0), (data, genes, len(trees), len(phylo))
        found["DendroPy NEXUS " + str(genes)] = [[dendropy_name(t) for t in n.leaf_nodes()] for n in trees[0].internal_nodes()]
        found["Bio.Phylo NEXUS " + str(genes)] = [[t.name for t in c.get_terminals()] for c in phylo[0].get_nonterminals()]
    for reader, leaf_sets in found.items():
        got = library_clades(leaf_sets)
        assert got == expected, (data, reader, sorted(map(sorted, got)), sorted(map(sorted, expected)))
    print(os.path.basename(data), "read alike by", len(found), "readers")


# The annotations, on the weighted data, with unrooted gene trees.
mixed = os.path.join(work, "mixed.nwk")
with open(mixed, "w") as out:
    out.write(run(dlsim, "-n", "10", "-m", "40", "--seed", "5", "--weighted", "0.5", "--unrooted", "0.4", "--swaps", "1"))
table = os.path.join(work, "branches.tsv")
base = [program, "-q", "--seed", "2", "-i", mixed, "--support", "families", "--genetrees"]
report = run(*base)
nexus = run(*base, "--oformat", "annotated", "--branch-table", table)
with open(table, newline="") as rows_file:
    rows = list(csv.DictReader(rows_file, delimiter="\t"))
totals = re.search(r"\[Total number of gene duplications \+ losses: (\d+) \+ (\d+) = ", report)
assert sum(int(row["duplications"]) for row in rows) == int(totals[1]), totals[0]
assert sum(int(row["losses"]) for row in rows) == int(totals[2]), totals[0]
by_clade = {frozenset(row.pop("clade").split(",")): {k: v for k, v in row.items() if v != ""} for row in rows}
assert "weighted_losses" in rows[0] and "delta_cost_alt1" in rows[0], rows[0].keys()


def expect_annotations(reader, clade, got):
    expected = by_clade[frozenset(clade)]
    assert got == expected, (reader, sorted(clade), got, expected)


trees = dendropy.TreeList.get(data=nexus, schema="nexus", preserve_underscores=True, suppress_leaf_node_taxa=True)
for node in trees[0].preorder_node_iter():
    expect_annotations("DendroPy", [dendropy_name(t) for t in node.leaf_nodes()],
                       {a.name: str(a.value) for a in node.annotations})
counts = [int(d) for d in re.findall(r"\[Gene duplications \+ Losses: (\d+) ", nexus)]
tagged = [sum(1 for n in tree.internal_nodes() for a in n.annotations if (a.name, a.value) == ("event", "duplication"))
          for tree in trees[1:]]
assert tagged == counts and len(counts) == 40, (tagged, counts)
nhx_report = run(*base, "--oformat", "nhx")
nhx = next(line for line in nhx_report.splitlines() if line.startswith("("))
for node in ete3.Tree(nhx, format=1).traverse():
    expect_annotations("ETE3", node.get_leaf_names(), {k: getattr(node, k) for k in node.features if k not in ("name", "dist", "support")})
gene = next(line for line in nhx_report.splitlines()[nhx_report.splitlines().index(nhx) + 1:] if line.startswith("("))
assert {n.D for n in ete3.Tree(gene, format=1).traverse() if not n.is_leaf()} <= {"Y", "N"}, gene
print("annotations of", len(rows), "species nodes read alike by DendroPy, ETE3 and csv")
