// Finding the arguments that no option word matched and the numbers read only in part.
#include "config/unread_words.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "config/options.h"
#include "core/state.h"
#include "support/fail.h"
#include "support/numbers.h"
#include "support/similar_words.h"

namespace {

bool MatchesAnOption(const char *argument) {
  for (const OPTION &option : Options())
    if (strncmp(argument, option.word, strlen(option.word)) == 0) return true;
  return false;
}

// The option word meant by an unknown one, compared without letter case, among the option words
// and the other spellings of the help ("pdf_rounds" for pdf_slots=).
std::string NearestOption(const char *argument) {
  std::string typed(argument, strcspn(argument, "="));
  for (char &c : typed) c = char(tolower(static_cast<unsigned char>(c)));
  std::vector<std::string> spellings, targets;
  for (const OPTION &option : Options())
    for (const char *spelling : {option.word, option.alias}) {
      if (!spelling) continue;
      std::string folded(spelling, strlen(spelling) - 1);
      for (char &c : folded) c = char(tolower(static_cast<unsigned char>(c)));
      spellings.push_back(folded);
      targets.push_back(option.word);
    }
  const std::string nearest = ClosestWord(typed, spellings);
  for (size_t k = 0; k < spellings.size(); k++)
    if (spellings[k] == nearest && !nearest.empty()) return targets[k];
  return "";
}

// atol's reading ends at the end of the text.
bool IntegerReadInFull(const char *text) {
  while (isspace(static_cast<unsigned char>(*text))) text++;
  if (*text == '-' || *text == '+') text++;
  const char *digits = text;
  while (isdigit(static_cast<unsigned char>(*text))) text++;
  return text > digits && *text == '\0';
}

// atof's reading of each comma-separated field ends at the field's end.
bool RealsReadInFull(const char *text, bool list) {
  for (;;) {
    char *end;
    strtod(text, &end);
    if (end == text) return false;
    if (*end == '\0') return true;
    if (!list || *end != ',') return false;
    text = end + 1;
  }
}

// The value as the option read it from the text.
std::string ValueAsRead(const SIM &S, const OPTION &option, const char *value) {
  char text[64];
  if (option.kind == OPT_REAL) {
    snprintf(text, sizeof text, "%g", atof(value));
    return text;
  }
  if (option.kind != OPT_LIST) {
    int32_t integer = 0;
    ReadInt32(value, &integer);
    snprintf(text, sizeof text, "%ld", long(integer));
    return text;
  }
  std::string values;
  const double *list = Parameter<double *>(S, option);
  for (int32_t i = 0; i < S.given[option.id]; i++) {
    snprintf(text, sizeof text, "%s%g", i ? "," : "", list[i]);
    values += text;
  }
  return values;
}

bool ReadInPart(const OPTION &option, const char *value) {
  switch (option.kind) {
    case OPT_INT:
    case OPT_FLAG:
    case OPT_FORCENS: return !IntegerReadInFull(value);
    case OPT_REAL: return !RealsReadInFull(value, false);
    case OPT_LIST: return !RealsReadInFull(value, true);
    default: return false;
  }
}

std::vector<std::string> UnreadWords(const SIM &S, int argc, char **argv) {
  std::vector<std::string> notes;
  for (int i = 1; i < argc; i++) {
    if (MatchesAnOption(argv[i])) continue;
    const std::string nearest = NearestOption(argv[i]);
    notes.push_back("ignored: " + std::string(argv[i]) + " (not an option" +
                    (nearest.empty() ? "" : "; nearest: " + nearest) + ")");
  }
  for (const OPTION &option : Options()) {
    const char *value = FindArg(argc, argv, option.word);
    if (value && ReadInPart(option, value))
      notes.push_back(std::string(option.word) + value + " read as " + ValueAsRead(S, option, value));
  }
  return notes;
}

}  // namespace

// The notes are written before the process may end, so that nothing of theirs outlives it.
void ReportUnreadWords(const SIM &S, int argc, char **argv) {
  bool refused = false;
  {
    const std::vector<std::string> notes = UnreadWords(S, argc, argv);
    if (notes.empty() || (!S.strict && S.debug < 1)) return;
    for (const std::string &note : notes)
      fprintf(stderr, "%s%s\n", S.strict ? "Error: " : "# ", note.c_str());
    refused = S.strict;
  }
  if (refused) Fail(1, "%s", "");
}
