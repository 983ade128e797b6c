// SPDX-License-Identifier: MIT
#include "RouterModel.h"

#include "ModelText.h"
#include "StatsText.h"
#include "script_engine/TarnText.h"
#include "text/modMisc.h"

#include <QHash>
#include <algorithm>

namespace {

namespace Text = ModelText;

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

QStringView trimmed(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// A value in double quotes, and no others, keeps the blanks inside them.
QString unquoted(QStringView value) {
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"') && value.count(u'"') == 2)
        return value.sliced(1, value.size() - 2).toString();
    return value.toString();
}

// Digits with at most one point among or after them.
bool isDecimal(QStringView text) {
    bool digits = false;
    bool point = false;
    for (const QChar c : text) {
        if (c == u'.' && !point)
            point = true;
        else if (c.isDigit() && c.unicode() < 128)
            digits = true;
        else
            return false;
    }
    return digits;
}

struct Token {
    enum class Kind { Word, Text, Comma };
    Kind kind;
    QString text;
};

// Bare words, texts in double quotes and commas; nothing when a quote is left open.
std::optional<QList<Token>> tokensOf(QStringView rule) {
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < rule.size()) {
        const QChar c = rule[i];
        if (isBlank(c)) {
            ++i;
        } else if (c == u',') {
            tokens.append({Token::Kind::Comma, {}});
            ++i;
        } else if (c == u'"') {
            const qsizetype close = rule.indexOf(u'"', i + 1);
            if (close < 0)
                return std::nullopt;
            tokens.append({Token::Kind::Text, rule.sliced(i + 1, close - i - 1).toString()});
            i = close + 1;
        } else {
            const qsizetype begin = i;
            while (i < rule.size() && !isBlank(rule[i]) && rule[i] != u',' && rule[i] != u'"')
                ++i;
            tokens.append({Token::Kind::Word, rule.sliced(begin, i - begin).toString()});
        }
    }
    return tokens;
}

class Tokens {
public:
    explicit Tokens(QList<Token> tokens) : m_tokens(std::move(tokens)) {}

    // Takes the words of phrase when they come next, ignoring case.
    bool words(const QString& phrase) {
        const QStringList wanted = phrase.split(u' ');
        for (qsizetype k = 0; k < wanted.size(); ++k) {
            const Token* token = at(m_next + k);
            if (!token || token->kind != Token::Kind::Word || token->text.compare(wanted[k], Qt::CaseInsensitive) != 0)
                return false;
        }
        m_next += wanted.size();
        return true;
    }
    std::optional<QString> take(Token::Kind kind) {
        const Token* token = at(m_next);
        if (!token || token->kind != kind)
            return std::nullopt;
        ++m_next;
        return token->text;
    }
    // A bare word or a text in quotes.
    std::optional<QString> word() {
        auto taken = take(Token::Kind::Word);
        return taken ? taken : take(Token::Kind::Text);
    }
    bool comma() { return take(Token::Kind::Comma).has_value(); }
    bool done() const { return m_next == m_tokens.size(); }

private:
    const Token* at(qsizetype index) const { return index < m_tokens.size() ? &m_tokens[index] : nullptr; }

    QList<Token> m_tokens;
    qsizetype m_next = 0;
};

// between "START" and "END" | between "START" and end of line
QString readBetween(Tokens& tokens, ValueRule& rule) {
    rule.kind = ValueRule::Kind::Between;
    const auto start = tokens.take(Token::Kind::Text);
    if (!start || !tokens.words(Text::And))
        return Text::RuleForm;
    if (tokens.words(Text::EndOfLine)) {
        rule.end = StatsText::EndOfLine;
    } else if (const auto end = tokens.take(Token::Kind::Text)) {
        rule.end = *end;
    } else {
        return Text::RuleForm;
    }
    rule.start = *start;
    if (rule.start.isEmpty() || rule.end.isEmpty())
        return Text::EmptyText;
    return tokens.done() ? QString() : Text::RuleForm;
}

// One unit after the number: UNIT xFACTOR (or UNIT x FACTOR).
QString readUnit(Tokens& tokens, ValueRule& rule) {
    const auto name = tokens.word();
    auto factor = tokens.take(Token::Kind::Word);
    if (!name || !factor)
        return Text::RuleForm;
    if (*factor == Text::Times) {
        const auto number = tokens.take(Token::Kind::Word);
        factor = Text::Times + number.value_or(QString());
    }
    const QStringView digits = QStringView(*factor).sliced(1);
    if (!factor->startsWith(Text::Times) || !isDecimal(digits) || digits.toDouble() <= 0)
        return Text::BadFactor.arg(*factor);
    for (const ValueRule::Unit& unit : rule.units) {
        if (unit.name == *name)
            return Text::UnitTwice.arg(*name);
    }
    rule.units.append({*name, digits.toString()});
    return {};
}

// number N after "LABEL" or "LABEL", UNIT xFACTOR, ...
QString readNumber(Tokens& tokens, ValueRule& rule) {
    rule.kind = ValueRule::Kind::Number;
    const auto count = tokens.take(Token::Kind::Word);
    if (!count)
        return Text::RuleForm;
    bool whole = false;
    rule.count = count->toInt(&whole);
    if (!whole || rule.count < 1 || !isDecimal(*count))
        return Text::BadCount.arg(*count);
    if (!tokens.words(Text::After))
        return Text::RuleForm;
    do {
        const auto label = tokens.take(Token::Kind::Text);
        if (!label)
            return Text::RuleForm;
        if (label->isEmpty())
            return Text::EmptyText;
        if (isBlank(label->front()))
            return Text::LabelStartsBlank.arg(*label);
        rule.labels.append(*label);
    } while (tokens.words(Text::Or));
    while (tokens.comma()) {
        if (const QString problem = readUnit(tokens, rule); !problem.isEmpty())
            return problem;
    }
    return tokens.done() ? QString() : Text::RuleForm;
}

QString readRule(QStringView text, ValueRule& rule) {
    auto tokens = tokensOf(text);
    if (!tokens)
        return Text::Unclosed;
    Tokens reader(std::move(*tokens));
    if (reader.words(Text::Between))
        return readBetween(reader, rule);
    if (reader.words(Text::Number))
        return readNumber(reader, rule);
    return Text::RuleForm;
}

struct TextKey {
    QString key;
    QString RouterModel::*field;
    bool required;
};

ModelReading refuse(QString mistake) {
    return {std::nullopt, std::move(mistake)};
}

ModelReading refuseAt(qsizetype line, const QString& mistake) {
    return refuse(Text::AtLine.arg(line).arg(mistake));
}

} // namespace

ModelReading ParseModel(QStringView text, const QString& name) {
    const std::array<TextKey, 7> textKeys{{{Text::UserPrompt, &RouterModel::userPrompt, true},
                                           {Text::PasswordPrompt, &RouterModel::passwordPrompt, true},
                                           {Text::ShellPrompt, &RouterModel::shellPrompt, true},
                                           {Text::Command, &RouterModel::command, true},
                                           {Text::EndText, &RouterModel::endText, true},
                                           {Text::EndLine, &RouterModel::endLine, true},
                                           {Text::OutputPrompt, &RouterModel::outputPrompt, false}}};
    RouterModel model;
    model.name = name;
    QHash<QString, qsizetype> lineOf; // of every key given, by its name as the model file's keys spell it
    qsizetype number = 0;
    for (const QString& line : modMisc::SplitLines(text)) {
        ++number;
        const QStringView content = trimmed(line);
        if (content.isEmpty() || content.startsWith(u'#'))
            continue;
        const qsizetype equals = content.indexOf(u'=');
        if (equals < 0)
            return refuseAt(number, Text::NoEquals);
        const QStringView key = trimmed(content.first(equals));
        const QString value = unquoted(trimmed(content.sliced(equals + 1)));

        const auto textKey = std::find_if(textKeys.cbegin(), textKeys.cend(), [key](const TextKey& k) {
            return key.compare(k.key, Qt::CaseInsensitive) == 0;
        });
        const auto valueKey = std::find_if(Text::ValueKeys.cbegin(), Text::ValueKeys.cend(), [key](const QString& k) {
            return key.compare(k, Qt::CaseInsensitive) == 0;
        });
        const QString known = textKey != textKeys.cend()           ? textKey->key
                              : valueKey != Text::ValueKeys.cend() ? *valueKey
                                                                   : QString();
        if (known.isEmpty())
            return refuseAt(number, Text::UnknownKey.arg(key));
        if (lineOf.contains(known))
            return refuseAt(number, Text::GivenTwice.arg(known).arg(lineOf.value(known)));
        lineOf.insert(known, number);
        if (value.isEmpty())
            return refuseAt(number, Text::NoValue.arg(known));
        if (textKey != textKeys.cend()) {
            model.*(textKey->field) = value;
        } else if (const QString problem = readRule(value, model.values[valueKey - Text::ValueKeys.cbegin()]);
                   !problem.isEmpty()) {
            return refuseAt(number, Text::BadRule.arg(known, problem));
        }
    }

    for (const TextKey& key : textKeys) {
        if (key.required && !lineOf.contains(key.key))
            return refuse(Text::Missing.arg(key.key));
    }
    for (const QString& key : Text::ValueKeys) {
        if (!lineOf.contains(key))
            return refuse(Text::Missing.arg(key));
    }
    // The script language turns these into a line break and a quote.
    for (const QString& escape : {TarnText::LineBreakEscape, TarnText::QuoteEscape}) {
        if (model.command.contains(escape, Qt::CaseInsensitive))
            return refuseAt(lineOf.value(Text::Command), Text::NotSendable);
    }
    if (!model.endLine.contains(model.endText, Qt::CaseInsensitive))
        return refuseAt(lineOf.value(Text::EndText), Text::EndTextNotInEndLine.arg(model.endText, model.endLine));
    return {std::move(model), {}};
}
