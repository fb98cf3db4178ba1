#ifndef KORVANE_PHRASE_H
#define KORVANE_PHRASE_H

#include <QCoreApplication>
#include <QString>

#include <type_traits>

// A text for a person that a library makes (a refusal, a failure), in its two
// forms: `english`, which the records, the JSON output and the logs keep
// whatever the language, and `shown`, the same in the language the program
// speaks. The library marks its source text with QT_TRANSLATE_NOOP under its
// own context; each front end takes the form its reader needs.
struct Phrase
{
    QString english;
    QString shown;

    Phrase() = default;
    Phrase(const char *context, const char *source)
        : english(QString::fromUtf8(source))
        , shown(QCoreApplication::translate(context, source))
    {
    }
    // The same in every language: a path, a system's own message.
    static Phrase verbatim(const QString &text) { return Phrase(text, text); }

    bool isEmpty() const { return english.isEmpty(); }
    bool operator==(const Phrase &other) const { return english == other.english; }
    bool operator!=(const Phrase &other) const { return english != other.english; }

    // As QString::arg, each form with its own: a Phrase gives its English to
    // the English and its translation to the translation.
    template <typename... Args, typename = std::enable_if_t<(!std::is_arithmetic<Args>::value && ...)>>
    Phrase arg(const Args &...values) const
    {
        return Phrase(english.arg(englishOf(values)...), shown.arg(shownOf(values)...));
    }
    Phrase arg(qlonglong value, int width = 0, int base = 10, QChar fill = QLatin1Char(' ')) const
    {
        return Phrase(english.arg(value, width, base, fill), shown.arg(value, width, base, fill));
    }
    Phrase operator+(const Phrase &other) const { return Phrase(english + other.english, shown + other.shown); }

private:
    Phrase(const QString &english, const QString &shown)
        : english(english)
        , shown(shown)
    {
    }
    static const QString &englishOf(const QString &text) { return text; }
    static const QString &englishOf(const Phrase &phrase) { return phrase.english; }
    static const QString &shownOf(const QString &text) { return text; }
    static const QString &shownOf(const Phrase &phrase) { return phrase.shown; }
};

#endif
