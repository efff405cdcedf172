#pragma once
// Wraps every text that goes through translation in brackets while it lives, so that a
// test tells translated texts from texts that bypass tr().

#include <QCoreApplication>
#include <QTranslator>

namespace qb::testing {

class PseudoTranslator : public QTranslator {
public:
    PseudoTranslator() { QCoreApplication::installTranslator(this); }
    ~PseudoTranslator() override { QCoreApplication::removeTranslator(this); }
    PseudoTranslator(const PseudoTranslator&) = delete;
    PseudoTranslator& operator=(const PseudoTranslator&) = delete;

    QString translate(const char*, const char* sourceText, const char*, int) const override
    {
        return QLatin1Char('[') + QString::fromUtf8(sourceText) + QLatin1Char(']');
    }
    bool isEmpty() const override { return false; }

    static bool IsTranslated(const QString& text) { return text.startsWith(u'[') && text.endsWith(u']'); }
};

} // namespace qb::testing
