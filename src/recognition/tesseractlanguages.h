// Which languages Tesseract can read on this system: the codes of its installed trained data. Safe on
// any thread; when the data folder cannot be found or read the answer is an empty list.
#pragma once

#include <QString>
#include <QStringList>

// The folder Tesseract reads trained data from (dataPath, or Tesseract's default when it is empty).
QString recognitionDataPath(const QString& dataPath = {});

// The language codes ("eng", "chi_sim", ...) of the trained data in that folder, sorted, without the
// data that is no language (orientation and script detection, equations).
QStringList installedRecognitionLanguages(const QString& dataPath = {});
