// `oculo --recognize FILE...`: recognises image files without a display, for scripts and benchmarks.
// Each file is loaded as Open... loads it and read by the same warm engines; its lines go to standard
// output (with several files, each block after a line "==> FILE <=="). The file "-" is the image on
// standard input ("==> standard input <=="), read to its end, at most 256 MiB, and decoded by the same
// loader. A file that cannot be read or recognised gives one line on standard error and makes the exit
// status 1; the others are still done.
#pragma once

#include <QStringList>

class ImageLoader;
class QIODevice;
class QTextStream;
class RecognitionEnginePool;

// `standardInput`: where "-" is read from.
int runRecognizeCommand(const QStringList& files, const ImageLoader& loader, RecognitionEnginePool& pool,
                        QIODevice& standardInput, QTextStream& out, QTextStream& err);
