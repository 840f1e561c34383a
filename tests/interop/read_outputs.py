"""DendroPy, Bio.Phylo and ETE3 find the clades of the program's own report in its tree and NEXUS
forms. Usage: read_outputs.py DLSPECIES DLSIM WORKDIR; exits 77 (skip) without a library."""
import io, os, re, subprocess, sys

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
