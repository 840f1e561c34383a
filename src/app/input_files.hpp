#pragma once
// The files a run reads its gene trees from when they come as many files:
// every file of a folder (-i FOLDER), the files named by a list
// (--input-list), or the gene families of a families file (--families, in
// the form SpeciesRax takes: each family's tree file and its own map of gene
// labels to species). Lists and families files may be gzip-compressed, as
// every input.

#include <fstream>
#include <string>
#include <vector>

namespace dls {

// One file of trees, and the map of its gene family when it has one.
struct TreeFile {
  std::string trees;
  std::string map;  // empty: the run's own (-a, --species-delimiter, or none)
};

// Opens a file to read: throws "KIND PATH not found" when it does not exist
// (followed by " (LISTED)" when LISTED is given: where the path was found),
// "cannot read PATH: REASON" when it cannot be read (a folder, no
// permission).
void openForReading(std::ifstream& file, const std::string& path, const std::string& kind,
                    const std::string& listed = "");

// Whether the path names a folder (after symbolic links).
bool isFolder(const std::string& path);

// The regular files of a folder, after symbolic links, whose names do not
// begin with ".", in byte order of their names; throws when there is none.
std::vector<TreeFile> folderTreeFiles(const std::string& folder);

// The files of a list: a path a line, relative ones from the list's folder;
// blank lines and lines beginning with "#" are skipped, blanks around a path
// too. Each must be readable; throws naming the first that is not (and its
// line), or when the list names none.
std::vector<TreeFile> listedTreeFiles(const std::string& list);

// The families of a families file: "[FAMILIES]" first, then per family a
// line "- NAME" and lines "KEY = VALUE", of which "starting_gene_tree" (the
// family's tree file) and "mapping" (its map) are read and others (such as
// "alignment") skipped; paths as written, from the working folder. Blank
// lines and "#" comments are skipped. Every family must have a tree file;
// every file named must be readable.
std::vector<TreeFile> familyTreeFiles(const std::string& families);

}  // namespace dls
