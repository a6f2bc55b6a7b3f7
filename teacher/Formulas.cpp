// Formulas found in page Markdown, and typeset by TeX as a child process with a cache.
#include "Formulas.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <set>

#include "ScriptMarkup.h"

namespace {

const char* const kTexPackages =
    "texlive-latex-base texlive-lang-cyrillic dvisvgm preview-latex-style";

// Every formula is one page of this document, cut to its box: its SVG's view box has the baseline
// at y = 0. A change here, or in the dvisvgm options, changes the cache keys.
const char* const kPreamble =
    "\\documentclass[10pt]{article}\n"
    "\\usepackage[T2A]{fontenc}\n"
    "\\usepackage{amsmath,amssymb}\n"
    "\\usepackage[active,tightpage]{preview}\n"
    "\\begin{document}\n";
const char* const kSvgOptions = "--no-fonts --exact-bbox";

constexpr qint64 kMaxOutputBytes = 4
                                   << 20;  // of a program's terminal output, and of each file read
constexpr size_t kMaxMessage = 200;

// ---- Finding formulas ----

std::string Utf8Mark(size_t index) {
  const char32_t c = kFirstFormulaMark + static_cast<char32_t>(index);
  return {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
          static_cast<char>(0x80 | (c & 0x3F))};
}

bool IsMarkAt(std::string_view s, size_t i) {
  // U+E100..U+EFFF: EE 84..BF xx.
  return i + 2 < s.size() && s[i] == '\xEE' && static_cast<unsigned char>(s[i + 1]) >= 0x84 &&
         static_cast<unsigned char>(s[i + 1]) <= 0xBF;
}

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

class TFormulaMarker {
 public:
  TFormulaMarker(std::vector<TFormula>& formulas, std::vector<TSourceError>& errors, bool keepLines)
      : FFormulas(formulas), FErrors(errors), FKeepLines(keepLines) {}

  std::string Mark(std::string_view markdown) {
    ForEachMarkdownLine(markdown, [this](std::string_view s, int line, bool code) {
      // A formula does not go on past its paragraph, nor into code.
      if (code || IsBlank(s)) {
        EndParagraph();
        FOut.append(s);
        return;
      }
      FLine = line;
      for (size_t i = 0; i < s.size();) i = FOpen ? InFormula(s, i) : InText(s, i);
    });
    EndParagraph();
    return std::move(FOut);
  }

 private:
  size_t InText(std::string_view s, size_t i) {
    const char c = s[i];
    if (const size_t kept = MarkdownVerbatimLength(s, i); kept > 0) return Copy(s, i, kept);
    if (IsMarkAt(s, i)) {
      Error(FLine,
            "the page text holds a private-use character (U+E100..U+EFFF) the page maker "
            "reserves");
      return i + 3;
    }
    if (c != '$') return Copy(s, i, 1);
    FOpen = true;
    FCurrent = {};
    FCurrent.Display = i + 1 < s.size() && s[i + 1] == '$';
    FCurrent.Line = FLine;
    FNewlines = 0;
    return i + (FCurrent.Display ? 2 : 1);
  }

  size_t InFormula(std::string_view s, size_t i) {
    const char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      FCurrent.Tex.append(s.substr(i, 2));
      return i + 2;
    }
    if (c == '$') {
      const bool twice = i + 1 < s.size() && s[i + 1] == '$';
      if (FCurrent.Display && !twice) {
        Error(FLine,
              "the display formula \"$$\" is closed with a single \"$\": close it with \"$$\"");
      }
      Close();
      return i + (FCurrent.Display ? (twice ? 2 : 1) : 1);
    }
    if (c == '\n') ++FNewlines;
    if (c != '\r') FCurrent.Tex.push_back(c == '\n' ? ' ' : c);
    return i + 1;
  }

  void Close() {
    FOpen = false;
    const std::string_view tex = FCurrent.Tex;
    if (IsBlank(tex)) {
      Error(FCurrent.Line, std::string("the formula \"") + (FCurrent.Display ? "$$$$" : "$$") +
                               "\" is empty (write \\$ for a dollar sign)");
    }
    if (FFormulas.size() > size_t(kLastFormulaMark - kFirstFormulaMark)) {
      Error(FCurrent.Line, "the page has too many formulas");
      return;
    }
    FOut += Utf8Mark(FFormulas.size());
    if (FKeepLines) FOut.append(FNewlines, '\n');
    FFormulas.push_back(std::move(FCurrent));
  }

  void EndParagraph() {
    if (!FOpen) return;
    FOpen = false;
    const char* opening = FCurrent.Display ? "$$" : "$";
    Error(FCurrent.Line, std::string("the \"") + opening + "\" opens a formula that no \"" +
                             opening + "\" closes in its paragraph (write \\$ for a dollar sign)");
  }

  size_t Copy(std::string_view s, size_t i, size_t n) {
    FOut.append(s.substr(i, n));
    return i + n;
  }

  void Error(int line, std::string message) { FErrors.push_back({line, std::move(message)}); }

  std::vector<TFormula>& FFormulas;
  std::vector<TSourceError>& FErrors;
  const bool FKeepLines;
  std::string FOut;
  int FLine = 0;
  bool FOpen = false;
  TFormula FCurrent;
  int FNewlines = 0;
};

// ---- Running TeX ----

std::string CacheFolder(const TTexSetup& setup) {
  if (!setup.CacheDir.empty()) return setup.CacheDir;
  const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
  return base.isEmpty() ? std::string() : (base + "/examtool").toStdString();
}

QString CacheFile(const QString& folder, const TFormula& formula) {
  QCryptographicHash hash(QCryptographicHash::Sha256);
  hash.addData(QByteArray(kPreamble));
  hash.addData(QByteArray(kSvgOptions));
  hash.addData(QByteArray::fromStdString(formula.Key()));
  return folder + '/' + QString::fromLatin1(hash.result().toHex()) + ".svg";
}

// A file's bytes when it is a regular file of a sane size.
bool ReadBounded(const QString& path, QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxOutputBytes) return false;
  bytes = file.readAll();
  return true;
}

bool IsFormulaSvg(const QByteArray& svg) {
  return QSvgRenderer(svg).isValid();
}

QString FindProgram(const std::string& name) {
  const QString program = QString::fromStdString(name);
  if (program.contains('/')) return QFileInfo(program).isExecutable() ? program : QString();
  return QStandardPaths::findExecutable(program);
}

struct TProgramRun {
  bool Started = false;
  bool Finished = false;  // within the time limit and the output bound
  int Exit = -1;
  QByteArray Output;
};

// Runs the program in dir with no shell and nothing on its input; its terminal output is kept up
// to the bound, and a run that passes the bound or the time limit is killed.
TProgramRun Run(const QString& program, const QStringList& args, const QString& dir,
                int timeLimitMs) {
  QProcess process;
  process.setWorkingDirectory(dir);
  process.setProcessChannelMode(QProcess::MergedChannels);
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // TeX reads and writes only below its folder (and its own installation), and writes its
  // messages one to a line.
  env.insert("openin_any", "p");
  env.insert("openout_any", "p");
  env.insert("TEXMFOUTPUT", dir);
  env.insert("max_print_line", "10000");
  env.insert("error_line", "254");
  env.insert("half_error_line", "238");
  process.setProcessEnvironment(env);
  process.start(program, args, QIODevice::ReadOnly);
  TProgramRun run;
  if (!process.waitForStarted()) return run;
  run.Started = true;
  QDeadlineTimer deadline(timeLimitMs);
  bool overflow = false;
  while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
    process.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 1000)));
    run.Output += process.readAll();
    if (run.Output.size() > kMaxOutputBytes) {
      overflow = true;
      break;
    }
  }
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return run;
  }
  run.Output += process.readAll();
  run.Finished = !overflow && process.exitStatus() == QProcess::NormalExit;
  run.Exit = process.exitCode();
  return run;
}

std::string Shortened(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  if (s.size() > kMaxMessage) s = s.substr(0, kMaxMessage) + "...";
  return s;
}

class TTexRun {
 public:
  TTexRun(const std::vector<const TFormula*>& formulas, const TTexSetup& setup,
          std::vector<TSourceError>& errors)
      : FFormulas(formulas), FSetup(setup), FErrors(errors) {}

  // The SVG of each formula, in order; empty when anything failed (the errors say what).
  std::vector<QByteArray> Typeset() {
    const QString latex = FindProgram(FSetup.Latex), dvisvgm = FindProgram(FSetup.Dvisvgm);
    if (latex.isEmpty() || dvisvgm.isEmpty()) {
      Fail(std::string("formulas need TeX, and ") + (latex.isEmpty() ? "latex" : "dvisvgm") +
           " is not installed: install the Debian packages " + kTexPackages);
      return {};
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
      Fail("formulas: no temporary folder for TeX: " + dir.errorString().toStdString());
      return {};
    }
    if (!WriteDocument(dir.filePath("formulas.tex"))) return {};
    const TProgramRun tex = Run(
        latex, {"-interaction=nonstopmode", "-no-shell-escape", "-file-line-error", "formulas.tex"},
        dir.path(), FSetup.TimeLimitMs);
    if (!tex.Started) {
      Fail("formulas: latex (" + latex.toStdString() + ") cannot be started");
      return {};
    }
    if (!tex.Finished) {
      Fail("formulas: latex was stopped: it took longer than " +
           std::to_string(FSetup.TimeLimitMs / 1000) + " s or wrote too much");
      return {};
    }
    QByteArray log;
    ReadBounded(dir.filePath("formulas.log"), log);
    if (ReportTexErrors(log.isEmpty() ? tex.Output : log) || tex.Exit != 0) {
      if (FErrors.empty())
        Fail("formulas: latex failed: " + Shortened(tex.Output.right(300).toStdString()));
      return {};
    }
    const TProgramRun svg = Run(
        dvisvgm, {"--no-fonts", "--exact-bbox", "--page=1-", "--output=p%p.svg", "formulas.dvi"},
        dir.path(), FSetup.TimeLimitMs);
    if (!svg.Started || !svg.Finished || svg.Exit != 0) {
      Fail("formulas: dvisvgm failed: " + Shortened(svg.Output.right(300).toStdString()));
      return {};
    }
    std::vector<QByteArray> pictures(FFormulas.size());
    for (size_t i = 0; i < FFormulas.size(); ++i) {
      // Without padding or with it, as the page count asks.
      const QDir folder(dir.path());
      QString name = "p" + QString::number(i + 1) + ".svg";
      for (int width = 2; !folder.exists(name) && width <= 6; ++width)
        name = "p" + QString::number(i + 1).rightJustified(width, '0') + ".svg";
      if (!ReadBounded(folder.filePath(name), pictures[i]) || !IsFormulaSvg(pictures[i])) {
        FErrors.push_back({FFormulas[i]->Line, "formula: TeX made no picture of it"});
      }
    }
    if (!FErrors.empty()) return {};
    return pictures;
  }

 private:
  // Each formula on lines of its own, so that TeX's line numbers name it; a "%" comment in a
  // formula ends at its line.
  bool WriteDocument(const QString& path) {
    std::string doc = kPreamble;
    int line = 5;  // the preamble's lines
    for (const TFormula* f : FFormulas) {
      doc += "\\begin{preview}$";
      doc += f->Display ? "\\displaystyle" : "";
      doc += "%\n" + f->Tex + "\n$\\end{preview}\n";
      FFirstLines.push_back(line + 2);
      line += 3;
    }
    doc += "\\end{document}\n";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(doc.data(), qint64(doc.size())) != qint64(doc.size())) {
      Fail("formulas: the TeX document cannot be written: " + file.errorString().toStdString());
      return false;
    }
    return true;
  }

  // TeX's errors ("./formulas.tex:LINE: message") reported at their formulas' lines, the first one
  // of each formula; an error in the preamble means the installation lacks something.
  bool ReportTexErrors(const QByteArray& log) {
    static const QRegularExpression error(R"(^\./formulas\.tex:(\d+): (.*)$)",
                                          QRegularExpression::MultilineOption);
    static const QRegularExpression context(R"(^l\.\d+ (.*)$)",
                                            QRegularExpression::MultilineOption);
    const QString text = QString::fromUtf8(log);
    std::set<size_t> reported;
    bool any = false;
    for (auto it = error.globalMatch(text); it.hasNext();) {
      const QRegularExpressionMatch m = it.next();
      any = true;
      const int line = m.captured(1).toInt();
      std::string message = m.captured(2).trimmed().toStdString();
      const QRegularExpressionMatch where = context.match(text, m.capturedEnd());
      if (where.hasMatch()) {
        QString before = where.captured(1).trimmed();
        if (before.size() > 40) before = "..." + before.right(40);
        // Context in the document's own lines says nothing about the formula.
        if (!before.isEmpty() && !before.startsWith("\\begin{preview}") &&
            !before.startsWith('$')) {
          message = Shortened(message) + " after \"" + before.toStdString() + "\"";
        }
      }
      if (line < FFirstLines.front() - 1) {
        Fail("formulas: TeX cannot typeset formulas (" + Shortened(message) +
             "): install the Debian packages " + kTexPackages);
        return true;
      }
      // An error past a formula's lines (a brace left open) is that formula's.
      size_t index = 0;
      while (index + 1 < FFirstLines.size() && FFirstLines[index + 1] - 1 <= line) ++index;
      if (reported.insert(index).second) {
        FErrors.push_back({FFormulas[index]->Line, "formula: " + Shortened(message)});
      }
    }
    return any;
  }

  void Fail(std::string message) {
    FErrors.push_back({FFormulas.empty() ? 0 : FFormulas.front()->Line, std::move(message)});
  }

  const std::vector<const TFormula*>& FFormulas;
  const TTexSetup& FSetup;
  std::vector<TSourceError>& FErrors;
  std::vector<int> FFirstLines;  // the document line of each formula's TeX
};

}  // namespace

std::string MarkFormulas(std::string_view markdown, std::vector<TFormula>& formulas,
                         std::vector<TSourceError>& errors) {
  return TFormulaMarker(formulas, errors, false).Mark(markdown);
}

std::string MarkFormulasKeepingLines(std::string_view markdown, std::vector<TFormula>& formulas,
                                     std::vector<TSourceError>& errors) {
  return TFormulaMarker(formulas, errors, true).Mark(markdown);
}

bool HoldsFormula(std::string_view text) {
  int dollars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      ++i;
    } else if (text[i] == '$') {
      ++dollars;
    }
  }
  return dollars >= 2;
}

TFormulaPictures TypesetFormulas(const std::vector<TFormula>& formulas, const TTexSetup& setup,
                                 std::vector<TSourceError>& errors) {
  TFormulaPictures pictures;
  const QString folder = QString::fromStdString(CacheFolder(setup));
  const bool cached = !folder.isEmpty() && QDir().mkpath(folder);
  // Each different formula once, from the cache when it is there.
  std::vector<const TFormula*> missing;
  std::set<std::string> wanted;
  for (const TFormula& f : formulas) {
    if (!wanted.insert(f.Key()).second) continue;
    QByteArray svg;
    if (cached && ReadBounded(CacheFile(folder, f), svg) && IsFormulaSvg(svg)) {
      pictures[f.Key()] = svg.toStdString();
    } else {
      missing.push_back(&f);
    }
  }
  if (missing.empty()) return pictures;
  std::vector<TSourceError> texErrors;
  const std::vector<QByteArray> made = TTexRun(missing, setup, texErrors).Typeset();
  if (!texErrors.empty()) {
    // A formula written twice is wrong at each of its lines.
    for (const TSourceError& e : texErrors) {
      errors.push_back(e);
      for (const TFormula& f : formulas) {
        const bool sameFormula =
            e.Message.rfind("formula: ", 0) == 0 &&
            std::any_of(missing.begin(), missing.end(), [&](const TFormula* m) {
              return m->Line == e.Line && m->Key() == f.Key();
            });
        if (sameFormula && f.Line != e.Line) errors.push_back({f.Line, e.Message});
      }
    }
    return {};
  }
  for (size_t i = 0; i < missing.size(); ++i) {
    pictures[missing[i]->Key()] = made[i].toStdString();
    if (!cached) continue;
    // A cache entry is whole or absent: written aside and renamed over. It is not flushed to the
    // disk: an entry lost in a crash is typeset again, as one that does not read as SVG is.
    const QString path = CacheFile(folder, *missing[i]);
    const QString part = path + ".part" + QString::number(QCoreApplication::applicationPid());
    QFile file(part);
    const bool written = file.open(QIODevice::WriteOnly) && file.write(made[i]) == made[i].size();
    file.close();
    std::error_code ec;
    if (written) std::filesystem::rename(part.toStdString(), path.toStdString(), ec);
    if (!written || ec) QFile::remove(part);
  }
  return pictures;
}
