// Question banks of other systems (Moodle XML, GIFT, Aiken) turned into a test source of ours.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class TBankFormat { Detect, MoodleXml, Gift, Aiken };

struct TBankImportOptions {
  TBankFormat Format = TBankFormat::Detect;
  int MinutesPerQuestion = 1;
  std::string BankName;      // the bank's file name without its folder and extension: the title
                             // and the topic of questions outside any category
  std::string ImagesFolder;  // the pictures' folder as the source names it, beside the source
};

struct TImportedPicture {
  std::string File;  // a plain file name inside the pictures' folder
  std::string Bytes;
};

struct TBankImport {
  bool Ok = false;
  std::string Error;  // when not Ok: what is wrong, at ErrorLine (0: the file as a whole)
  int ErrorLine = 0;
  TBankFormat Format = TBankFormat::Detect;  // the format read
  std::string Source;                        // the test source, UTF-8 Markdown
  std::vector<TImportedPicture> Pictures;
  int Questions = 0;
  std::vector<std::string> Skipped;  // one line each: «name» (type): reason
  std::vector<std::string> Notes;    // what the test does not keep or keeps otherwise, said once
};

// The largest bank read, and the largest picture in it.
inline constexpr size_t kMaxBankBytes = 64u << 20;
inline constexpr size_t kMaxPictureBytes = 8u << 20;

// Reads the bank (its bytes as a file holds them) and writes the source in memory. Nothing is
// written to disk; a malformed bank gives Ok false with its line.
TBankImport ImportBank(std::string_view bank, const TBankImportOptions& options);

// The pictures' folder of a source, as the source names it: "SOURCE-images" beside SOURCE.md.
std::string ImportedImagesFolder(const std::string& sourcePath);
// That folder's path: beside the source.
std::string ImportedImagesPath(const std::string& sourcePath);

// Why the bank cannot be imported into sourcePath (the source would overwrite the bank, or the
// bank lies in the pictures' folder that the import replaces), else empty; `file` is then the
// one of the two at fault.
std::string ImportTargetProblem(const std::string& bankPath, const std::string& sourcePath,
                                std::string& file);

// Writes the imported source to sourcePath and its pictures to the folder beside it that
// options.ImagesFolder named. An existing source and pictures' folder stay as they were when
// this fails. False with the reason in error.
bool WriteImportedBank(const TBankImport& imported, const std::string& sourcePath,
                       const std::string& imagesFolder, std::string& error);

const char* BankFormatName(TBankFormat format);
