#pragma once

#include "support/testmovies.h"

#include <QString>
#include <QStringList>

#include <initializer_list>

// How ffmpeg makes each kind of test movie.
struct Recipe
{
    QString suffix;
    int width = 192;
    int height = 144;
    int rateNumerator = 25;
    int rateDenominator = 1;
    int sampleRate = 48000;
    // Drawn after the band: changes the frames' times or which of them are kept.
    QString filter;
    QStringList codecArguments;
    int usualFrames = 0;
    // The turn (clockwise degrees: 90, 180 or 270) a player gives the stored picture to show
    // it upright; the movie stores the upright picture turned the other way.
    int turn = 0;
};

QStringList argumentList(std::initializer_list<const char *> words);
// Throws std::runtime_error for a kind without one.
Recipe recipeOf(MovieKind kind);
