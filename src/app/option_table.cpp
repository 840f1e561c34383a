#include "app/option_table.hpp"

#include "common/decimal_text.hpp"
#include "common/errors.hpp"

namespace dls {

namespace {

OptionSpec flag(std::string shortName, std::string longName, std::vector<std::string> help,
                OptionField (*field)(Options&), bool travels, int setting = 1) {
  OptionSpec option;
  option.shortName = std::move(shortName);
  option.longName = std::move(longName);
  option.help = std::move(help);
  option.field = field;
  option.travels = travels;
  option.setting = setting;
  return option;
}

OptionSpec valued(std::string shortName, std::string longName, std::string valueText, ValueKind kind,
                  std::vector<std::string> help, OptionField (*field)(Options&), bool travels) {
  OptionSpec option = flag(std::move(shortName), std::move(longName), std::move(help), field, travels);
  option.valueText = std::move(valueText);
  option.kind = kind;
  return option;
}

OptionSpec number(std::string shortName, std::string longName, std::string valueText, std::uint64_t min,
                  std::uint64_t max, std::vector<std::string> help, OptionField (*field)(Options&), bool travels) {
  OptionSpec option = valued(std::move(shortName), std::move(longName), std::move(valueText), ValueKind::wholeNumber,
                             std::move(help), field, travels);
  option.min = min;
  option.max = max;
  return option;
}

OptionSpec word(std::string longName, std::vector<std::string> words, std::vector<std::string> help,
                OptionField (*field)(Options&), bool travels) {
  std::string valueText;
  for (const std::string& w : words) valueText += (valueText.empty() ? "" : "|") + w;
  OptionSpec option = valued("", std::move(longName), valueText, ValueKind::word, std::move(help), field, travels);
  option.words = std::move(words);
  return option;
}

using K = ValueKind;

// Every option, in the help's order.
const std::vector<OptionSpec> kOptions = {
    valued(
        "-i", "--input", "<file>", K::fileName,
        {"Trees to read (Newick or NEXUS), or a folder of tree files (every file",
         "whose name does not begin with \".\") [default: standard input]"},
        [](Options& o) -> OptionField { return &o.inputPath; }, false),
    valued(
        "", "--input-list", "<file>", K::fileName,
        {"Read the tree files listed there, one path a line (relative to the", "list's folder)"},
        [](Options& o) -> OptionField { return &o.inputListPath; }, false),
    valued(
        "", "--families", "<file>", K::fileName,
        {"Read gene families from a families file ([FAMILIES], then per family",
         "\"- NAME\", \"starting_gene_tree = FILE\" and \"mapping = MAPFILE\")"},
        [](Options& o) -> OptionField { return &o.familiesPath; }, false),
    valued(
        "-o", "--output", "<file>", K::fileName, {"Where the result goes [default: standard output]"},
        [](Options& o) -> OptionField { return &o.outputPath; }, false),
    word(
        "--oformat", {"newick", "nexus", "tree", "annotated", "nhx"},
        {"The result as Newick [default] or NEXUS with comment lines, or the",
         "species tree alone on one Newick line (tree); annotated: NEXUS with",
         "supports and events per branch as [&key=value] node comments, gene",
         "nodes tagged; nhx: the same as Newick with [&&NHX:...] comments"},
        [](Options& o) -> OptionField { return &o.format; }, true),
    flag(
        "", "--genetrees", {"Also every gene tree with its costs, in input order"},
        [](Options& o) -> OptionField { return &o.writeGeneTrees; }, true),
    valued(
        "", "--branch-table", "<file>", K::fileName,
        {"Also write a table of the species tree's branches there: clade,",
         "supports, duplications, losses, families (tab-separated)"},
        [](Options& o) -> OptionField { return &o.branchTablePath; }, true),
    valued(
        "", "--svg", "<file>", K::fileName,
        {"Also draw the species tree there (SVG), with supports and the", "duplications and losses per branch"},
        [](Options& o) -> OptionField { return &o.svgPath; }, true),
    number(
        "-g", "--generator", "0|1", 0, 1,
        {"The start tree of the search:", "0 - the species tree given first in the input",
         "1 - built by randomised leaf adding [default]"},
        [](Options& o) -> OptionField { return &o.startTree; }, true),
    number(
        "", "--starts", "<N>", 1, 100000,
        {"N start trees, each searched; the lowest final cost wins [default: 1].",
         "Start i > 1 is the run of a seed derived from --seed, printed"},
        [](Options& o) -> OptionField { return &o.starts; }, true),
    number(
        "", "--bootstrap", "<B>", 1, 100000,
        {"B replicates, each of as many gene trees drawn with replacement, each",
         "searched from one start; the species tree's inner nodes are labelled",
         "with the percentage of replicate trees that have their clade"},
        [](Options& o) -> OptionField { return &o.bootstrap; }, true),
    valued(
        "", "--bootstrap-trees", "<file>", K::fileName,
        {"Also write the replicates' trees there, one Newick line each"},
        [](Options& o) -> OptionField { return &o.bootstrapTreesPath; }, false),
    word(
        "--support", {"families"},
        {"Support of every inner branch from the gene trees, without a rerun",
         "(the cost of its two NNI alternatives and the share of the gene", "trees that prefer each of the three)"},
        [](Options& o) -> OptionField { return &o.support; }, true),
    flag(
        "", "--evaluate", {"With -g 0: no search, the report of the given species tree as it is"},
        [](Options& o) -> OptionField { return &o.evaluateOnly; }, true),
    valued(
        "", "--constraints", "<file>", K::fileName,
        {"Groups of species kept together as clades (generator 1), e.g.",
         "\"Human,Chimp; Mouse,Rat;\" [default: none]"},
        [](Options& o) -> OptionField { return &o.constraintsPath; }, false),
    valued(
        "-a", "--map", "<file>", K::fileName,
        {"Gene labels to species: lines \"gene species\", or",
         "\"species:gene1,gene2,...\" (or with \";\" between genes) [default: none]"},
        [](Options& o) -> OptionField { return &o.mapPath; }, false),
    valued(
        "", "--species-delimiter", "<c>", K::character,
        {"Take the species from each gene label: the text before the first c"},
        [](Options& o) -> OptionField { return &o.speciesDelimiter; }, false),
    word(
        "--species-field", {"first", "last"},
        {"With --species-delimiter: the text before the first c [default] or", "after the last c"},
        [](Options& o) -> OptionField { return &o.speciesAfterLastDelimiter; }, false),
    flag(
        "", "--rooted",
        {"Gene trees are rooted unless marked [&U] [default: unmarked ones are",
         "unrooted when their root has three children]"},
        [](Options& o) -> OptionField { return &o.rootedByDefault; }, false),
    flag(
        "", "--unrooted", {"Gene trees are unrooted unless marked [&R]"},
        [](Options& o) -> OptionField { return &o.unrootedByDefault; }, false),
    valued(
        "", "--min-support", "<S>", K::decimal,
        {"Contract gene-tree branches of support (inner label, 0-1 or 0-100 as",
         "written) below S; implies --polytomies refine [default: none]"},
        [](Options& o) -> OptionField { return &o.minSupport; }, false),
    word(
        "--polytomies", {"random", "refine"},
        {"Gene-tree polytomies resolved once at random [default], or each scored",
         "at its cheapest refinement for every species tree (refine)"},
        [](Options& o) -> OptionField { return &o.refinePolytomies; }, true),
    flag(
        "", "--limit", {"Count losses in the species tree restricted to each gene tree's", "species (not recommended)"},
        [](Options& o) -> OptionField { return &o.costModel.scope; }, true,
        static_cast<int>(LossScope::geneSpeciesOnly)),
    valued(
        "", "--dup-weight", "<D>", K::decimal, {"Cost of a duplication, a decimal number >= 0 [default: 1]"},
        [](Options& o) -> OptionField { return &o.costModel.weights.duplication; }, true),
    valued(
        "", "--loss-weight", "<L>", K::decimal,
        {"Cost of a loss, the same [default: 1]; 0 counts duplications alone", "(D and L may not both be 0)"},
        [](Options& o) -> OptionField { return &o.costModel.weights.loss; }, true),
    number(
        "", "--rounds", "<K>", 0, 1000,
        {"After the search, rounds of random SPR moves on a tenth of the species",
         "and a search again, the better tree kept, until K rounds find none [default: 0]"},
        [](Options& o) -> OptionField { return &o.rounds; }, true),
    number(
        "-t", "--threads", "<1..1024>", 1, 1024,
        {"Threads scoring the gene trees; the result is the same for any number",
         "[default: the machine's hardware threads]"},
        [](Options& o) -> OptionField { return &o.threads; }, true),
    flag(
        "-q", "--quiet", {"No progress or information lines (warnings and errors still)"},
        [](Options& o) -> OptionField { return &o.quiet; }, false),
    number(
        "", "--seed", "<0..4294967295>", 0, 0xffffffffULL,
        {"Seed of the random draws [default: drawn at random, printed in",
         "\"Random seed: N\"]; the same seed and input give the same result"},
        [](Options& o) -> OptionField { return &o.seed; }, true),
    flag(
        "-v", "--version", {"Output the version number"}, [](Options&) -> OptionField { return {}; }, false),
    flag(
        "-h", "--help", {"Output this help"}, [](Options&) -> OptionField { return {}; }, false),
};

// The option by either of its names; both given is one option given twice.
CommandLine::Argument* findArgument(CommandLine& line, const OptionSpec& option) {
  CommandLine::Argument* shortForm = option.shortName.empty() ? nullptr : line.find(option.shortName);
  CommandLine::Argument* longForm = line.find(option.longName);
  if (shortForm != nullptr && longForm != nullptr) throw InputError("more than one argument " + option.longName);
  return shortForm != nullptr ? shortForm : longForm;
}

// The error of a missing or wrong value, naming the values allowed.
[[noreturn]] void refuseValue(const CommandLine::Argument& arg, const std::string& allowed) {
  if (arg.value.empty()) throw InputError("argument " + arg.name + " needs a value (allowed: " + allowed + ")");
  throw InputError("invalid value of argument " + arg.name + " " + arg.value + " (allowed: " + allowed + ")");
}

// "a, b or c"
std::string listed(const std::vector<std::string>& words) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i)
    text += (i == 0 ? "" : i + 1 == words.size() ? " or " : ", ") + words[i];
  return text;
}

// The value of the argument, as the number to store: whole numbers and
// words as such, decimals apart.
std::uint64_t wholeValue(const OptionSpec& option, const CommandLine::Argument& arg) {
  switch (option.kind) {
    case ValueKind::none:
      if (!arg.value.empty()) throw InputError(option.longName + " doesn't need a value");
      return static_cast<std::uint64_t>(option.setting);
    case ValueKind::wholeNumber: {
      std::uint64_t value = 0;
      if (readWholeNumber(arg.value, option.max, value) && value >= option.min) return value;
      refuseValue(arg, std::to_string(option.min) + (option.max == option.min + 1 ? " or " : " to ") +
                           std::to_string(option.max));
    }
    case ValueKind::word:
      for (std::size_t i = 0; i < option.words.size(); ++i)
        if (arg.value == option.words[i]) return i;
      throw InputError(option.longName + " has a wrong argument: " + listed(option.words));
    default:
      throw InternalError("option " + option.longName + " has no whole value");
  }
}

void store(const OptionSpec& option, const CommandLine::Argument& arg, Options& options) {
  std::visit(
      [&](auto field) {
        using Field = decltype(field);
        if constexpr (std::is_same_v<Field, std::string*>) {
          if (arg.value.empty()) throw InputError("argument " + arg.name + " needs a file name");
          *field = arg.value;
        } else if constexpr (std::is_same_v<Field, double*>) {
          // A decimal number of at least 0 (-0 reads as 0).
          double value = 0;
          if (!readDecimal(arg.value, value) || !(value >= 0)) refuseValue(arg, "a decimal number >= 0");
          *field = value == 0 ? 0 : value;
        } else if constexpr (std::is_same_v<Field, char*>) {
          if (arg.value.size() != 1) throw InputError(option.longName + " needs a single character");
          *field = arg.value[0];
        } else if constexpr (std::is_pointer_v<Field>) {
          *field = static_cast<std::remove_pointer_t<Field>>(wholeValue(option, arg));
        } else {
          wholeValue(option, arg);  // version and help: flags alone
        }
      },
      option.field(options));
}

}  // namespace

const std::vector<OptionSpec>& optionTable() { return kOptions; }

const OptionSpec* findOption(const std::string& name) {
  for (const OptionSpec& option : optionTable())
    if (name == option.longName || (!option.shortName.empty() && name == option.shortName)) return &option;
  return nullptr;
}

bool isFlagOption(const std::string& name) {
  const OptionSpec* option = findOption(name);
  return option != nullptr && option->valueText.empty();
}

void parseOptions(CommandLine& line, Options& options) {
  for (const OptionSpec& option : optionTable())
    if (const CommandLine::Argument* arg = findArgument(line, option)) store(option, *arg, options);
}

bool flagGiven(CommandLine& line, const std::string& longName) {
  const OptionSpec* option = findOption(longName);
  return option != nullptr && findArgument(line, *option) != nullptr;
}

namespace {

// The marks in front of a gene tree, and the lines after them, for the help
// and the manual page.
struct Mark {
  const char* mark;
  const char* meaning;
};
const Mark kMarks[] = {
    {"[&U]", "The gene tree is unrooted: it counts at its cheapest rooting"},
    {"[&R]", "The gene tree is rooted"},
    {"[&WEIGHT=w]", "Its cost counts w times, w a decimal number > 0 [default: 1]"},
    {"[&W w]", "The same, as NEXUS writes a tree's weight"},
};
const char* const kAfterMarks[] = {
    "Without either, a gene tree is unrooted when its root has three children (the usual",
    "Newick form of an unrooted tree), else rooted; --rooted and --unrooted change that.",
    "In a species tree given with -g 0, [&CONSTRAINT] after a clade keeps the clade together.",
};

// Command lines, the program's name between the two parts.
const std::pair<const char*, const char*> kExamples[] = {
    {"", " -i trees.newick -o speciestree.newick"},
    {"cat speciestree.newick genetrees.newick | ", " -g 0"},
    {"", " -i genetrees.nwk -a genes.map --unrooted"},
    {"", " -i orthogroup_trees/ -a genes.map -o speciestree.nwk"},
    {"", " --families families.txt --genetrees -o report.nwk"},
};

}  // namespace

void writeHelp(std::ostream& out, const std::string& program) {
  out << "Usage: " << program << " [ARGUMENT]\n"
      << "\n"
      << "Infers a rooted species tree from gene trees: the tree of least weight x (D x duplications +\n"
      << "L x losses), D and L from --dup-weight and --loss-weight.\n"
      << "\n";
  const std::string indent(32, ' ');
  for (const OptionSpec& option : optionTable()) {
    std::string names = "  " + (option.shortName.empty() ? "    " : option.shortName + ", ") + option.longName;
    if (!option.valueText.empty()) names += " " + option.valueText;
    // The first help line beside the names when they leave room for it.
    if (names.size() + 2 > indent.size())
      out << names << '\n' << indent;
    else
      out << names << std::string(indent.size() - names.size(), ' ');
    for (std::size_t i = 0; i < option.help.size(); ++i) out << (i == 0 ? "" : indent) << option.help[i] << '\n';
  }
  out << "\n"
      << "Marks in front of a gene tree (in NEXUS, after the \"=\" of its statement):\n";
  for (const Mark& mark : kMarks) {
    const std::string name = "  " + std::string(mark.mark);
    out << name << std::string(indent.size() - name.size(), ' ') << mark.meaning << '\n';
  }
  for (const char* line : kAfterMarks) out << line << '\n';
  out << "\n"
      << "Examples:\n";
  for (const auto& [before, after] : kExamples) out << "  " << before << program << after << '\n';
  out << std::flush;
}

namespace {

// Text as roff shows it: a backslash escaped, every "-" a minus sign (as
// options are written), a line that would begin a request kept as text.
std::string roff(const std::string& text) {
  std::string shown = text[0] == '.' || text[0] == '\'' ? "\\&" : "";
  for (const char c : text) shown += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
  return shown;
}

// Prose paragraphs of the manual page, "" between paragraphs.
void writeParagraphs(std::ostream& out, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) out << (line.empty() ? ".PP" : roff(line)) << '\n';
}

const std::vector<std::string> kInput = {
    "Trees in Newick notation, each ending with \";\", or a NEXUS file (its TREE and UTREE statements), from "
    "standard input or the file given by -i; gene trees labelled by gene take their species from a map (-a) or "
    "from their labels (--species-delimiter). Any input may be gzip-compressed, whatever its name.",
    "",
    "Many files: -i FOLDER reads every regular file in the folder whose name does not begin with \".\", in the "
    "byte order of their names; --input-list FILE the files it lists, one path a line (relative paths from the "
    "list's folder; blank lines and lines beginning with \"#\" are skipped); --families FILE the gene families "
    "of a families file: \"[FAMILIES]\", then for each family a line \"- NAME\" and lines \"KEY = VALUE\", of "
    "which starting_gene_tree (the family's tree file) and mapping (its map, in a layout of -a) are read and "
    "others skipped, paths from the working folder. The gene trees are numbered across the files in order; with "
    "-g 0 the species tree is the first tree of the first file. Messages then name the file after a place: "
    "\"line 3 column 5 of genes/OG0001.nwk\".",
    "",
    "Marks in front of a gene tree (in NEXUS, after the \"=\" of its statement):",
};

const std::vector<std::string> kOutput = {
    "The species tree found, after comment lines with its size and its costs: the weighted cost and the counts "
    "of duplications and losses; with --genetrees, every gene tree after it, in input order, with its own "
    "counts, an unrooted one at its cheapest rooting. It goes to standard output, or to the file of -o, which "
    "is replaced only when the run succeeds. Progress and information lines, warnings (\"WARNING: ...\") and "
    "errors (\"ERROR: ...\") go to standard error.",
    "",
    "The exit status is 0 on success, 1 for an error of the input or the command line, 2 for an internal error.",
};

}  // namespace

void writeManPage(std::ostream& out, const std::string& version) {
  out << ".TH DLSPECIES 1 \"\" \"dlspecies " << version << "\" \"User Commands\"\n"
      << ".SH NAME\n"
      << "dlspecies \\- rooted species tree from gene-family trees by gene-tree parsimony\n"
      << ".SH SYNOPSIS\n"
      << ".B dlspecies\n"
      << "[\\fIOPTION\\fR]...\n"
      << ".SH DESCRIPTION\n";
  writeParagraphs(out, {"dlspecies infers a rooted species tree from many gene-family trees: the species tree of "
                        "least weight x (D x duplications + L x losses) summed over the gene trees, under the "
                        "least-common-ancestor reconciliation, with D = L = 1 unless --dup-weight and --loss-weight "
                        "say otherwise. A start tree built by randomised leaf adding (or given first in the input, "
                        "-g 0) is improved by SPR moves, every regraft position of a pruned subtree scored at "
                        "once. The same seed and input give the same result, for any number of threads."});
  out << ".SH OPTIONS\n";
  for (const OptionSpec& option : optionTable()) {
    out << ".TP\n"
        << (option.shortName.empty() ? "" : "\\fB" + roff(option.shortName) + "\\fR, ") << "\\fB"
        << roff(option.longName) << "\\fR"
        << (option.valueText.empty() ? "" : " \\fI" + roff(option.valueText) + "\\fR") << '\n';
    // Lines after one that ends with ":" are a list, a line each.
    bool list = false;
    for (std::size_t i = 0; i < option.help.size(); ++i) {
      out << (i == 0 ? "" : list ? "\n.br\n" : " ") << roff(option.help[i]);
      list = list || (!option.help[i].empty() && option.help[i].back() == ':');
    }
    out << '\n';
  }
  out << ".SH INPUT\n";
  writeParagraphs(out, kInput);
  for (const Mark& mark : kMarks) out << ".TP\n\\fB" << roff(mark.mark) << "\\fR\n" << roff(mark.meaning) << '\n';
  out << ".PP\n";
  for (const char* line : kAfterMarks) out << roff(line) << '\n';
  out << ".SH OUTPUT\n";
  writeParagraphs(out, kOutput);
  out << ".SH EXAMPLES\n.nf\n";
  for (const auto& [before, after] : kExamples) out << roff(std::string(before) + "dlspecies" + after) << '\n';
  out << ".fi\n"
      << ".SH SEE ALSO\n"
      << "The README (/usr/share/doc/dlspecies/README.md, or PREFIX/share/doc/dlspecies as installed) explains "
         "every option, the input formats and the benchmarks; \\fBdlsim \\-\\-help\\fR lists the options of "
         "the data generator installed with it.\n";
}

}  // namespace dls
