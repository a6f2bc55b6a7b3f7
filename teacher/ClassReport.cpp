// The class report as HTML: text and tables from the graded class, charts from ReportCharts.
#include "ClassReport.h"

#include <QString>

#include "OutputFile.h"
#include "ReportCharts.h"
#include "TextFormat.h"

namespace {

std::string Esc(const std::string& text) {
  return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

std::string Data(const std::string& value, const std::string& shown) {
  return "<data value=\"" + value + "\">" + shown + "</data>";
}

std::string Percent(const std::string& gradeFigure) {
  return Data(gradeFigure, WithDecimalComma(gradeFigure) + "&nbsp;%");
}

std::string Optional(const std::optional<double>& percent) {
  return percent ? Percent(GradeFigure(*percent)) : "—";
}

// A figure of the item analysis: its full value for programs, rounded for people; "—" when it
// is not defined.
std::string Analysis(const std::optional<double>& v, int decimals, const char* unit = "") {
  if (!v) return "—";
  return Data(FormatExact(*v), WithDecimalComma(FormatFixed(*v, decimals)) + unit);
}

// The names of the item analysis' figures with a line each that says what they mean.
struct TExplained {
  const char* Name;
  const char* Meaning;
};

const TExplained kItemFigures[] = {
    {"Индекс лёгкости",
     "Средний балл за вопрос в процентах от его максимума: чем выше, тем легче вопрос. Ниже 20 % "
     "вопрос слишком трудный, выше 90 % слишком лёгкий."},
    {"Стандартное отклонение",
     "Насколько баллы учеников за вопрос расходятся между собой, в процентах от максимума; 0 — "
     "все получили одно и то же."},
    {"Индекс дискриминации",
     "Корреляция балла за вопрос с оценкой за остальной тест, от −100 до 100: насколько лучше "
     "отвечают на вопрос те, кто лучше написал остальной тест. Ниже 20 вопрос слабо отличает "
     "сильных от слабых; ниже 0 он работает против теста: проверьте ключ."},
    {"Эффективность дискриминации",
     "Индекс дискриминации в процентах от наибольшего, какой возможен при таких баллах за вопрос "
     "и за остальной тест: учитывает, что очень лёгкий или очень трудный вопрос не может "
     "различать сильно."},
};

const TExplained kTestFigures[] = {
    {"Коэффициент внутренней согласованности",
     "Альфа Кронбаха, в процентах: насколько согласованно вопросы теста измеряют одно и то же. "
     "Ниже 64 % тест ненадёжен, от 64 до 75 % удовлетворительно, выше 75 % хорошо."},
    {"Относительная ошибка",
     "Какую часть разброса оценок составляет случайная ошибка измерения, в процентах: чем "
     "меньше, тем точнее тест."},
    {"Стандартная ошибка",
     "На сколько процентов оценка ученика может отличаться от той, что он заслуживает, из-за "
     "случайности: примерно в двух случаях из трёх не больше этого."},
};

const char kUndefined[] =
    "«—»: показатель не определён, например, когда учеников меньше двух или все ответили "
    "одинаково.";

std::string Explanations(const TExplained* figures, size_t count) {
  std::string html = "<dl class=\"explained\">\n";
  for (size_t i = 0; i < count; ++i) {
    html += std::string("<dt>") + figures[i].Name + "</dt><dd>" + figures[i].Meaning + "</dd>\n";
  }
  return html + "</dl>\n<p>" + kUndefined + "</p>\n";
}

const char kStyle[] = R"(
body { font-family: sans-serif; margin: 2em auto; max-width: 76em; padding: 0 1em; color: #222; }
h1 { font-size: 1.6em; } h2 { margin-top: 2em; border-bottom: 1px solid #ccc; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
th { background: #f2f2f2; }
td data, td.number { white-space: nowrap; }
th button { all: inherit; border: 0; padding: 0; cursor: pointer; text-decoration: underline dotted; }
th[aria-sort=ascending] button::after { content: " ▲"; }
th[aria-sort=descending] button::after { content: " ▼"; }
.chart { display: block; max-width: 100%; height: auto; margin: 1em 0; }
.right { color: #2e7d32; font-weight: bold; }
#items { font-size: 0.85em; }
#items td.remarks { min-width: 14em; }
dl.explained dt { font-weight: bold; margin-top: 0.5em; }
dl.explained dd { margin: 0 0 0 1.5em; }
.warning { color: #c62828; font-weight: bold; }
h2, h3 { break-after: avoid; }
.chart, .question { break-inside: avoid; }
@media print {
  body { margin: 0; max-width: none; }
  .hint { display: none; }
  #items { font-size: 7.5pt; }
  #items td.remarks { min-width: 10em; }
  th button { display: contents; }  /* else the header repeated on the next page comes out empty */
}
)";

// Sorting the class table by a click on a column's header; the table reads the same without it.
const char kScript[] = R"(
document.querySelectorAll('table.sortable').forEach(function (table) {
  var heads = table.tHead.rows[0].cells;
  Array.prototype.forEach.call(heads, function (th, column) {
    th.innerHTML = '<button type="button">' + th.innerHTML + '</button>';
    th.firstChild.addEventListener('click', function () {
      var ascending = th.getAttribute('aria-sort') !== 'ascending';
      var key = function (row) {
        var data = row.cells[column].querySelector('data');
        return data ? parseFloat(data.value) : row.cells[column].textContent;
      };
      var rows = Array.prototype.slice.call(table.tBodies[0].rows);
      rows.sort(function (a, b) {
        var x = key(a), y = key(b);
        var order = typeof x === 'number' ? x - y : x.localeCompare(y, 'ru');
        return ascending ? order : -order;
      });
      rows.forEach(function (row) { table.tBodies[0].appendChild(row); });
      Array.prototype.forEach.call(heads, function (h) { h.removeAttribute('aria-sort'); });
      th.setAttribute('aria-sort', ascending ? 'ascending' : 'descending');
    });
  });
});
document.querySelectorAll('.hint').forEach(function (hint) { hint.hidden = false; });
)";

// Opens a section under its heading. A section with nothing to show gets the sentence that says
// so and is closed at once: false.
bool OpenSection(std::string& html, const std::string& id, const std::string& heading, bool empty,
                 const std::string& nothing) {
  html += "<section aria-labelledby=\"" + id + "\">\n<h2 id=\"" + id + "\">" + heading + "</h2>\n";
  if (empty) html += "<p>" + nothing + "</p>\n</section>\n";
  return !empty;
}

void AppendClassTable(std::string& html, const TClassGrades& g) {
  if (!OpenSection(html, "class", "Оценки учеников", g.Students.empty(),
                   "Ни одна работа не оценена.")) {
    return;
  }
  html +=
      "<p class=\"hint\" hidden>Щёлкните заголовок столбца, чтобы упорядочить строки по "
      "нему.</p>\n";
  html +=
      "<table id=\"students\" class=\"sortable\">\n<thead><tr><th scope=\"col\">Ученик</th>"
      "<th scope=\"col\">Файл</th><th scope=\"col\">Время</th><th scope=\"col\">Оценка</th>";
  for (const auto& topic : g.TopicNames) html += "<th scope=\"col\">" + Esc(topic) + "</th>";
  html += "</tr></thead>\n<tbody>\n";
  for (const auto& s : g.Students) {
    html += "<tr><th scope=\"row\">" + (s.Name.empty() ? "(без имени)" : Esc(s.Name)) +
            "</th><td>" + Esc(s.File) + "</td><td>" +
            Data(std::to_string(s.ElapsedSeconds), FormatElapsed(s.ElapsedSeconds)) + "</td><td>" +
            Percent(GradeFigure(s.Grade)) + "</td>";
    for (double t : s.TopicGrades) html += "<td>" + Percent(GradeFigure(t)) + "</td>";
    html += "</tr>\n";
  }
  html += "</tbody>\n</table>\n</section>\n";
}

void AppendDistribution(std::string& html, const TGradeSummary& summary) {
  if (!OpenSection(html, "distribution", "Распределение оценок", summary.Graded == 0,
                   "Оценок нет.")) {
    return;
  }
  html += "<table id=\"summary\">\n<tbody>\n<tr><th scope=\"row\">Оценено работ</th><td>" +
          Data(std::to_string(summary.Graded), std::to_string(summary.Graded)) +
          "</td></tr>\n<tr><th scope=\"row\">Средняя оценка</th><td>" + Optional(summary.Mean) +
          "</td></tr>\n<tr><th scope=\"row\">Медиана</th><td>" + Optional(summary.Median) +
          "</td></tr>\n<tr><th scope=\"row\">Стандартное отклонение</th><td>" +
          Optional(summary.StandardDeviation) + "</td></tr>\n</tbody>\n</table>\n";
  html += GradeHistogramSvg(summary) + "\n";
  html +=
      "<table id=\"histogram\">\n<caption>Учеников по оценкам</caption>\n<thead><tr>"
      "<th scope=\"col\">Оценка</th><th scope=\"col\">Учеников</th></tr></thead>\n<tbody>\n";
  for (size_t b = 0; b < summary.Histogram.size(); ++b) {
    const std::string count = std::to_string(summary.Histogram[b]);
    html += "<tr><th scope=\"row\">" + std::to_string(b * 10) + "–" + std::to_string(b * 10 + 10) +
            "&nbsp;%</th><td>" + Data(count, count) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n</section>\n";
}

const char* ReliabilityWords(TReliability r) {
  switch (r) {
    case TReliability::Unreliable:
      return "тест ненадёжен";
    case TReliability::Satisfactory:
      return "удовлетворительно";
    case TReliability::Good:
      return "хорошо";
    case TReliability::Unknown:
      break;
  }
  return "";
}

void AppendReliability(std::string& html, const TGradeSummary& summary) {
  if (!OpenSection(html, "reliability", "Надёжность теста", summary.Graded == 0,
                   "Без оценённых работ надёжность теста не оценить.")) {
    return;
  }
  const std::string verdict = ReliabilityWords(summary.Reliability);
  html += std::string("<table id=\"reliability-figures\">\n<tbody>\n<tr><th scope=\"row\">") +
          kTestFigures[0].Name + "</th><td>" + Analysis(summary.InternalConsistency, 1, "&nbsp;%") +
          "</td><td>" +
          (summary.Reliability == TReliability::Unreliable
               ? "<span class=\"warning\">" + verdict + "</span>"
               : verdict) +
          "</td></tr>\n<tr><th scope=\"row\">" + kTestFigures[1].Name + "</th><td>" +
          Analysis(summary.ErrorRatio, 1, "&nbsp;%") +
          "</td><td></td></tr>\n<tr><th scope=\"row\">" + kTestFigures[2].Name + "</th><td>" +
          Analysis(summary.StandardError, 1, "&nbsp;%") +
          "</td><td></td></tr>\n</tbody>\n</table>\n";
  html += Explanations(kTestFigures, std::size(kTestFigures));
  html += "</section>\n";
}

// The flags of a question in words, one line each.
std::string Remarks(const TItemStatistics& item) {
  std::string words;
  auto add = [&words](const std::string& text) { words += (words.empty() ? "" : "<br>") + text; };
  if (item.LowFacility) add("слишком трудный: лёгкость ниже 20 %");
  if (item.HighFacility) add("слишком лёгкий: лёгкость выше 90 %");
  if (item.NegativeDiscriminationIndex) add("работает против теста: проверьте ключ");
  if (item.WeakDiscrimination) add("слабо отличает сильных от слабых");
  if (item.NegativeDiscrimination)
    add("отрицательная дискриминация: слабые ответили лучше сильных");
  for (const auto& option : item.Options) {
    if (option.PositiveDistractor) add("сильные выбирают неверный «" + Esc(option.Caption) + "»");
  }
  return words.empty() ? "" : "<span class=\"warning\">" + words + "</span>";
}

std::string TopicOf(const TClassGrades& g, const TItemStatistics& item) {
  return item.Topic >= 0 && static_cast<size_t>(item.Topic) < g.TopicNames.size()
             ? Esc(g.TopicNames[item.Topic])
             : "";
}

void AppendQuestions(std::string& html, const TClassReport& r) {
  if (!OpenSection(html, "questions", "Вопросы", r.Grades.Students.empty(),
                   "Без оценённых работ статистики по вопросам нет.")) {
    return;
  }
  html +=
      "<p>Полный балл: доля учеников, набравших за вопрос максимум. Средний балл: в баллах "
      "вопроса. Дискриминация: доля полного балла у лучших 27 % учеников минус доля у худших "
      "27 % (от −1 до 1; чем выше, тем лучше вопрос отличает сильных от слабых). На диаграмме "
      "средний балл показан в процентах от максимума вопроса.</p>\n";
  html += QuestionBarsSvg(r.Items) + "\n";
  html +=
      "<table id=\"items\">\n<thead><tr><th scope=\"col\">Вопрос</th><th scope=\"col\">Тема</th>"
      "<th scope=\"col\">Максимум</th><th scope=\"col\">Полный балл</th>"
      "<th scope=\"col\">Средний балл</th><th scope=\"col\">Дискриминация</th>";
  for (const auto& figure : kItemFigures)
    html += std::string("<th scope=\"col\">") + figure.Name + "</th>";
  html += "<th scope=\"col\">Замечания</th></tr></thead>\n<tbody>\n";
  for (const auto& item : r.Items) {
    const std::string q = std::to_string(item.Question + 1);
    const std::string share = RatioFigure(item.FullScoreShare);
    html += "<tr><th scope=\"row\">" + Data(q, q) + "</th><td>" + TopicOf(r.Grades, item) +
            "</td><td>" +
            Data(MaxScoreFigure(item.MaxScore), WithDecimalComma(FormatShort(item.MaxScore))) +
            "</td><td>" +
            Data(share, WithDecimalComma(FormatFixed(100 * item.FullScoreShare, 0)) + "&nbsp;%") +
            "</td><td>" +
            Data(RatioFigure(item.MeanScore), WithDecimalComma(FormatFixed(item.MeanScore, 2))) +
            "</td><td>" +
            Data(RatioFigure(item.Discrimination),
                 WithDecimalComma(FormatFixed(item.Discrimination, 2))) +
            "</td><td>" + Analysis(item.Facility, 1, "&nbsp;%") + "</td><td>" +
            Analysis(item.ScoreDeviation, 1, "&nbsp;%") + "</td><td>" +
            Analysis(item.DiscriminationIndex, 1) + "</td><td>" +
            Analysis(item.DiscriminativeEfficiency, 1, "&nbsp;%") + "</td><td class=\"remarks\">" +
            Remarks(item) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n";
  html += Explanations(kItemFigures, std::size(kItemFigures));
  html += "</section>\n";
}

void AppendOptions(std::string& html, const TClassReport& r) {
  if (r.Grades.Students.empty()) return;
  const int32_t students = static_cast<int32_t>(r.Grades.Students.size());
  OpenSection(html, "options", "Варианты ответов", false, "");
  html +=
      "<p>Сколько учеников отметили каждый вариант. Неверный вариант, который отмечают часто, "
      "стоит проверить: возможно, он сформулирован неоднозначно.</p>\n"
      "<p><strong>Корреляция с остальным тестом</strong>, от −1 до 1: отмечают ли вариант те, кто "
      "лучше написал остальной тест. У верного варианта она должна быть положительной, у "
      "неверного — отрицательной; неверный вариант с положительной корреляцией привлекает "
      "сильных учеников, его стоит проверить. «—»: вариант отметили все или никто.</p>\n";
  for (const auto& item : r.Items) {
    const std::string q = std::to_string(item.Question + 1);
    html += "<div class=\"question\">\n<h3 id=\"question-" + q + "\">Вопрос " + q + ". " +
            TopicOf(r.Grades, item) + "</h3>\n" + OptionBarsSvg(item, students) + "\n";
    html += "<table class=\"options\" aria-labelledby=\"question-" + q +
            "\">\n<thead><tr>"
            "<th scope=\"col\">Вариант</th><th scope=\"col\">Верный</th>"
            "<th scope=\"col\">Отметили</th><th scope=\"col\">Доля</th>"
            "<th scope=\"col\">Корреляция с остальным тестом</th></tr></thead>\n<tbody>\n";
    for (const auto& option : item.Options) {
      const std::string count = std::to_string(option.MarkedCount);
      html += "<tr><th scope=\"row\">" + Esc(option.Caption) + "</th><td>" +
              (option.Right ? "<span class=\"right\">✓ верный</span>" : "неверный") + "</td><td>" +
              Data(count, count) + "</td><td>" +
              WithDecimalComma(FormatFixed(100.0 * option.MarkedCount / students, 0)) +
              "&nbsp;%</td><td>" + Analysis(option.RestCorrelation, 2) +
              (option.PositiveDistractor
                   ? " <span class=\"warning\">неверный, но его чаще отмечают сильные</span>"
                   : "") +
              "</td></tr>\n";
    }
    html += "</tbody>\n</table>\n</div>\n";
  }
  html += "</section>\n";
}

void AppendBadFiles(std::string& html, const TClassGrades& g) {
  if (!OpenSection(html, "bad", "Не оценённые файлы", g.BadFiles.empty(), "Все файлы оценены.")) {
    return;
  }
  html +=
      "<table id=\"bad-files\">\n<thead><tr><th scope=\"col\">Файл</th><th "
      "scope=\"col\">Причина</th>"
      "</tr></thead>\n<tbody>\n";
  for (const auto& b : g.BadFiles) {
    html += "<tr><th scope=\"row\">" + Esc(b.File) + "</th><td>" + Esc(b.Reason) + "</td></tr>\n";
  }
  html += "</tbody>\n</table>\n</section>\n";
}

}  // namespace

std::string ClassReportHtml(const TClassReport& r) {
  std::string html =
      "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
      "<title>Отчёт по классу: " +
      Esc(r.Title) + "</title>\n<style>" + kStyle +
      "</style>\n</head>\n<body>\n<header>\n<h1>Отчёт по классу</h1>\n<p>Тест: <strong>" +
      Esc(r.Title) +
      "</strong></p>\n<p>Оценено работ: " + std::to_string(r.Grades.Students.size()) +
      "; не оценено файлов: " + std::to_string(r.Grades.BadFiles.size()) +
      ".</p>\n</header>\n<main>\n";
  AppendClassTable(html, r.Grades);
  AppendDistribution(html, r.Summary);
  AppendReliability(html, r.Summary);
  AppendQuestions(html, r);
  AppendOptions(html, r);
  AppendBadFiles(html, r.Grades);
  html += "</main>\n<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return html;
}

std::string WriteClassReport(const std::string& path, const TClassReport& report) {
  std::string error;
  return WriteOutputFile(path, ClassReportHtml(report), error) ? std::string() : error;
}
