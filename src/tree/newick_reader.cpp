#include "tree/newick_reader.hpp"

#include "common/decimal_text.hpp"
#include "common/errors.hpp"

namespace dls {

void NewickReader::nextOrEnd(char& c) {
  if (!in_.nextSignificant(c)) throw InputError("unexpected end in the tree expression " + in_.position());
}

bool NewickReader::takeConstraintMark() {
  bool marked = false;
  for (const TextComment& comment : pending_) marked = marked || comment.text == "[&CONSTRAINT]";
  pending_.clear();
  return marked;
}

bool NewickReader::readNodes() {
  char c;
  if (!in_.nextSignificant(c)) return false;  // comments before a tree are skipped unread
  // ">" is a name character, but a text that starts with it is sequences.
  if (c == '>' && !readAny_ && !inNexusBlock_) in_.refuse(kLooksLikeFasta);
  readAny_ = true;
  if (c != '(' && c != '\'' && c != '"' && !TextReader::isNameChar(c))
    throw InputError("problem in the tree expression " + in_.position() + " " + shownText(std::string(1, c)) + "this");
  written_.clear();
  pending_.clear();
  leafPlaces_.clear();
  heldWarning_.clear();
  rootChildren_ = 0;
  in_.setCommentSink(&pending_);

  // The inner nodes whose children are being read, with the count of
  // further children met so far.
  struct Open {
    int node;
    int moreChildren;
  };
  std::vector<Open> open;
  int parent = -1;
  for (;;) {
    // A node begins with c; it takes the comments met since the "(" or ","
    // before it.
    const int node = static_cast<int>(written_.size());
    written_.push_back({parent, std::string(), takeConstraintMark()});
    if (c == '(') {
      open.push_back({node, 0});
      nextOrEnd(c);
      parent = node;
      continue;
    }
    readLeafName(node, c);
    finishNode(node, c);
    // Close every node that ends here; stop at the next sibling.
    while (!open.empty()) {
      Open& up = open.back();
      if (c == ')') {
        nextOrEnd(c);
        if (c != ':' && c != ',' && c != ')') {
          const std::string where = in_.lastPosition();
          in_.pushBack(c);
          std::string& name = written_[static_cast<std::size_t>(up.node)].name;
          name = in_.readName();
          // In a NEXUS block, the end of the block after a tree's text
          // means that its ";" is missing.
          if (inNexusBlock_ && open.size() == 1 &&
              (TextReader::sameWord(name, "end") || TextReader::sameWord(name, "endblock")))
            throw InputError("missing ';' in tree expression " + where);
          nextOrEnd(c);
        }
        finishNode(up.node, c);
        if (open.size() == 1) rootChildren_ = up.moreChildren + 1;
        open.pop_back();
        continue;
      }
      ++up.moreChildren;
      if (c != ',') throw InputError("missing ')' in input tree expression " + in_.lastPosition());
      commaBeforeChild(up.moreChildren, open.size() == 1);
      nextOrEnd(c);
      parent = up.node;
      break;
    }
    if (open.empty()) break;
  }
  in_.setCommentSink(nullptr);
  if (c != ';') throw InputError("missing ';' in tree expression " + in_.position());
  unrootedTree_ = readingGeneTree_ && (rooting_ == GeneTreeRooting::unrooted ||
                                       (rooting_ == GeneTreeRooting::byRoot && rootChildren_ == 3));
  return true;
}

void NewickReader::commaBeforeChild(int commas, bool atRoot) {
  if (commas < 2 || (readingGeneTree_ && refinePolytomies_)) return;
  const auto warn = [this](const std::string& where) {
    console_.warning("multifurcation detected at " + where, "multifurcation detected");
  };
  if (atRoot && readingGeneTree_ && rooting_ != GeneTreeRooting::rooted) {
    // A third child of the root: no multifurcation of an unrooted tree; of
    // a tree read by its root, one only once a fourth child follows.
    if (commas == 2) {
      if (rooting_ == GeneTreeRooting::byRoot) heldWarning_ = in_.lastPosition();
      return;
    }
    if (commas == 3 && rooting_ == GeneTreeRooting::byRoot) warn(heldWarning_);
  }
  warn(in_.lastPosition());
}

void NewickReader::readLeafName(int node, char& c) {
  const TextPosition where = in_.lastPlace();  // where c was read
  in_.pushBack(c);
  std::string name = in_.readName();
  nextOrEnd(c);
  // A leaf must be named: leaves are tied to species by name.
  if (name.empty()) throw InputError("missing leaf name in the tree expression " + in_.place(where));
  if (translation_ != nullptr) {
    const auto translated = translation_->find(name);
    if (translated != translation_->end()) name = translated->second;
  }
  // Two genes of one label in a tree are a mistake once labels name genes.
  if (geneSpecies_ != nullptr && geneSpecies_->mapsLabels()) {
    const auto first = leafPlaces_.emplace(name, where);
    if (!first.second)
      throw InputError("gene label \"" + shownText(name) + "\" twice in one gene tree: at " +
                       in_.place(first.first->second) + " and " + in_.place(where));
  }
  written_[static_cast<std::size_t>(node)].name = std::move(name);
}

void NewickReader::finishNode(int node, char& c) {
  if (c == ':') {
    in_.readNumber();  // a branch length must be a number; it is not kept
    nextOrEnd(c);
  }
  if (takeConstraintMark()) written_[static_cast<std::size_t>(node)].constraintMark = true;
}

namespace {

// Counts of present entries over positions 0..n-1 (a Fenwick tree): finds
// the j-th present position, and adds or takes one, in O(log n).
class PresentPositions {
 public:
  PresentPositions(std::size_t n, std::size_t presentFirst) : sum_(n + 1, 0) {
    for (std::size_t i = 1; i <= n; ++i) {
      if (i <= presentFirst) sum_[i] += 1;
      const std::size_t up = i + (i & (~i + 1));
      if (up <= n) sum_[up] += sum_[i];
    }
  }
  void add(std::size_t position, int change) {
    for (std::size_t i = position + 1; i < sum_.size(); i += i & (~i + 1)) sum_[i] += change;
  }
  // The position holding the present entry of rank j (from 0).
  std::size_t find(std::size_t j) const {
    std::size_t at = 0, step = 1;
    while (step * 2 < sum_.size()) step *= 2;
    for (; step > 0; step /= 2) {
      if (at + step < sum_.size() && static_cast<std::size_t>(sum_[at + step]) <= j) {
        at += step;
        j -= static_cast<std::size_t>(sum_[at]);
      }
    }
    return at;
  }

 private:
  std::vector<int> sum_;
};

}  // namespace

void NewickReader::resolve() {
  const std::size_t count = written_.size();
  children_.assign(count, {});
  std::vector<std::size_t> slot(count, 0);  // a node's place among its parent's children
  for (std::size_t i = 0; i < count; ++i) {
    if (written_[i].parent == -1) continue;
    std::vector<int>& siblings = children_[static_cast<std::size_t>(written_[i].parent)];
    slot[i] = siblings.size();
    siblings.push_back(static_cast<int>(i));
  }

  kept_.assign(count, 1);
  if (readingGeneTree_ && minSupport_ > 0) contractWeakBranches(slot);

  // A node with a single child is neither a duplication nor a speciation:
  // its child takes its place, and its constraint mark. Whole chains go,
  // from the top.
  for (std::size_t i = 0; i < count; ++i) {
    if (!kept_[i] || children_[i].size() != 1) continue;
    const int only = children_[i][0];
    const int parent = written_[i].parent;
    WrittenNode& child = written_[static_cast<std::size_t>(only)];
    child.parent = parent;
    slot[static_cast<std::size_t>(only)] = slot[i];
    if (parent != -1) children_[static_cast<std::size_t>(parent)][slot[i]] = only;
    child.constraintMark = child.constraintMark || written_[i].constraintMark;
    kept_[i] = 0;
  }

  // More than two children: two of them, drawn at random by their rank in
  // the list, leave it for a new node, which joins the list at its end;
  // until two are left. The list of k children has room for the k - 2 new
  // ones from the start, and the ranks are found in O(log k).
  for (std::size_t i = 0; i < count; ++i) {
    std::vector<int>& list = children_[i];
    if (!kept_[i] || list.size() <= 2) continue;
    if (unrootedTree_ && i == 0 && list.size() == 3) {
      // The three ways from an unrooted tree's root (as written): its last
      // two children go below a new node, which resolves no polytomy.
      const int joined = static_cast<int>(written_.size());
      written_.push_back({static_cast<int>(i), std::string(), false, false});
      for (const int child : {list[1], list[2]}) written_[static_cast<std::size_t>(child)].parent = joined;
      list.assign({list[0], joined});
      continue;
    }
    if (readingGeneTree_ && !refinePolytomies_) ++randomlyResolved_;
    const std::size_t first = list.size();
    PresentPositions present(2 * first - 2, first);
    for (std::size_t remaining = first, end = first; remaining > 2; ++remaining, ++end) {
      const int grouped = static_cast<int>(written_.size());
      written_.push_back({static_cast<int>(i), std::string(), false, true});
      for (int draw = 0; draw < 2; ++draw, --remaining) {
        const std::size_t at = present.find(random_.scaledIndex(remaining));
        written_[static_cast<std::size_t>(list[at])].parent = grouped;
        present.add(at, -1);
      }
      list.push_back(grouped);
      present.add(end, +1);
    }
    // The two left, in list order.
    const int last = list.back();
    const int other = list[present.find(0)];
    list.assign({other, last});
  }
  kept_.resize(written_.size(), 1);
}

// Parents come before their children in the text: a contracted node's
// children join its parent, in its place, before they are looked at, so
// that chains of weak branches contract whole.
void NewickReader::contractWeakBranches(std::vector<std::size_t>& slot) {
  for (std::size_t i = 0; i < written_.size(); ++i) {
    const int parent = written_[i].parent;
    if (parent == -1 || children_[i].empty()) continue;
    double support = 0;
    if (!readDecimal(written_[i].name, support) || !(support < minSupport_)) continue;
    std::vector<int>& siblings = children_[static_cast<std::size_t>(parent)];
    const std::vector<int> moved = children_[i];
    siblings.erase(siblings.begin() + static_cast<std::ptrdiff_t>(slot[i]));
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(slot[i]), moved.begin(), moved.end());
    for (std::size_t k = 0; k < siblings.size(); ++k) {
      written_[static_cast<std::size_t>(siblings[k])].parent = parent;
      slot[static_cast<std::size_t>(siblings[k])] = k;
    }
    children_[i].clear();
    kept_[i] = 0;
  }
}

template <class Tree, class MakeNode>
void NewickReader::build(Tree& tree, MakeNode&& makeNode) {
  resolve();
  // Nodes in text order (new ones last, all of them inner), each linked
  // below its parent in the next free child slot.
  std::vector<NodeId> id(written_.size(), kNoNode);
  for (std::size_t i = 0; i < written_.size(); ++i)
    if (kept_[i]) id[i] = makeNode(written_[i], i < children_.size() && children_[i].empty());
  for (std::size_t i = 0; i < written_.size(); ++i) {
    if (!kept_[i]) continue;
    const int parent = written_[i].parent;
    if (parent == -1)
      tree.setRoot(id[i]);
    else
      tree.attach(id[static_cast<std::size_t>(parent)], id[i]);
  }
}

namespace {

NameId nameOf(NameTable& names, const std::string& name) { return name.empty() ? kNoName : names.intern(name); }

}  // namespace

bool NewickReader::read(SpeciesTree& tree) {
  readingGeneTree_ = false;
  rooting_ = GeneTreeRooting::rooted;
  if (!readNodes()) return false;
  CladeId clades = 0;
  build(tree, [&](const WrittenNode& written, bool) {
    const NodeId v = tree.addNode(nameOf(names_, written.name));
    if (written.constraintMark) tree.setClade(v, ++clades);
    return v;
  });
  tree.collectLeaves();
  // Every node lies in the clade of its nearest marked ancestor (itself
  // included), if any.
  forEachPreorder(
      tree.root(), [&tree](NodeId v, int i) { return tree.child(v, i); },
      [&tree](NodeId v) {
        if (tree.clade(v) == kNoClade && v != tree.root()) tree.setClade(v, tree.clade(tree.parent(v)));
      });
  return true;
}

bool NewickReader::read(GeneTree& tree, GeneTreeRooting rooting) {
  readingGeneTree_ = true;
  rooting_ = rooting;
  if (!readNodes()) return false;
  tree.setRooted(!unrootedTree_);
  build(tree, [&](const WrittenNode& written, bool leaf) {
    if (written.created) return tree.addCreatedNode();
    if (!leaf || geneSpecies_ == nullptr) return tree.addNode(nameOf(names_, written.name));
    const NameId species = geneSpecies_->speciesOf(written.name, names_);
    const bool sameText = species != kNoName && names_.text(species) == written.name;
    return tree.addNode(species, sameText ? std::string_view() : std::string_view(written.name));
  });
  tree.finish();
  return true;
}

}  // namespace dls
