// An in-memory clipboard for unit tests: records what was put on it, answers with what the test set.
#pragma once

#include "pasteboard.h"

#include <QStringList>

class FakePasteboard : public Pasteboard {
public:
    std::optional<QString> text; // what string() answers; setString() replaces it
    QByteArray image;            // what imageData() answers
    QStringList setStrings;      // every text set, oldest first

    void setString(const QString& value) override
    {
        setStrings.append(value);
        text = value;
        image.clear(); // the text replaces everything on the clipboard
    }
    std::optional<QString> string() const override { return text; }
    QByteArray imageData() const override { return image; }
    bool hasImage() const override { return !image.isEmpty(); }
};
