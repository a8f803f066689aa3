// The three characters of the sample game, drawn as soft cel-shaded busts from ellipses and
// polygons. The same drawing serves the character pictures (with their coverage as the mask) and
// the figures inside the event pictures.
#include "tools/demo_pictures.h"

#include <stdexcept>

namespace hk::demo {

namespace {

// Draws in the figure's own frame (a bust 800 x 600 with the face centred at x 400) placed at
// (cx, oy) on the canvas with scale s.
struct Pen {
    Canvas& canvas;
    float cx, oy, s;

    float X(float x) const { return cx + (x - 400) * s; }
    float Y(float y) const { return oy + y * s; }

    void Ellipse(float x, float y, float rx, float ry, Rgb c, float opacity = 1.0f) {
        canvas.Ellipse(X(x), Y(y), rx * s, ry * s, c, opacity, std::max(1.0f, s));
    }
    void Outlined(float x, float y, float rx, float ry, Rgb c, Rgb line, float width = 2.5f) {
        Ellipse(x, y, rx + width, ry + width, line);
        Ellipse(x, y, rx, ry, c);
    }
    void Poly(std::vector<Point> points, Rgb c, float opacity = 1.0f) {
        for (Point& p : points) {
            p = {X(p.x), Y(p.y)};
        }
        canvas.Polygon(points, c, opacity, std::max(1.0f, s));
    }
    void Line(float ax, float ay, float bx, float by, float width, Rgb c, float opacity = 1.0f) {
        canvas.Line(X(ax), Y(ay), X(bx), Y(by), width * s, c, opacity);
    }
    void Round(float x0, float y0, float x1, float y1, float r, Rgb c, float opacity = 1.0f) {
        canvas.RoundRect(X(x0), Y(y0), X(x1), Y(y1), r * s, c, opacity, std::max(1.0f, s));
    }
    // A filled shape with a vertical gradient from top colour to bottom colour.
    template <class Sdf> void Shaded(float x0, float y0, float x1, float y1, Sdf sdf, Rgb top, Rgb bottom) {
        const float sy0 = Y(y0), sy1 = Y(y1);
        canvas.Fill(
            X(x0), sy0, X(x1), sy1, sdf,
            [=](float, float py) { return Mix(top, bottom, Clamp01((py - sy0) / std::max(1.0f, sy1 - sy0))); }, 1.0f,
            std::max(1.0f, s));
    }
};

struct Look {
    Rgb hair, hair_dark, hair_shine, eyes, skin = Hex(0xFBE3D2), skin_shade = Hex(0xEBBFA8);
    Rgb cloth, cloth_dark, collar, accent;
    bool long_hair = false, short_hair = false, glasses = false, ribbon = false, camera = false;
};

Look LookOf(const std::string& who) {
    Look l;
    if (who == "haruka") {
        l.hair = Hex(0x9A5634);
        l.hair_dark = Hex(0x5E2F1C);
        l.hair_shine = Hex(0xD19A6E);
        l.eyes = Hex(0xC0702A);
        l.cloth = Hex(0xF6F7FB);
        l.cloth_dark = Hex(0xC9CEDD);
        l.collar = Hex(0x2E3F73);
        l.accent = Hex(0xE2434F);
        l.ribbon = true;
    } else if (who == "minato") {
        l.hair = Hex(0x33374D);
        l.hair_dark = Hex(0x191B29);
        l.hair_shine = Hex(0x6A7396);
        l.eyes = Hex(0x4F7396);
        l.cloth = Hex(0x323A56);
        l.cloth_dark = Hex(0x1E2338);
        l.collar = Hex(0xF1F3F8);
        l.accent = Hex(0x3E6FB0);
        l.short_hair = true;
        l.camera = true;
    } else if (who == "chiaki") {
        l.hair = Hex(0x2F4242);
        l.hair_dark = Hex(0x172424);
        l.hair_shine = Hex(0x6C8A86);
        l.eyes = Hex(0x3F7D62);
        l.cloth = Hex(0x7C9A6E);
        l.cloth_dark = Hex(0x56704C);
        l.collar = Hex(0xF5F1E6);
        l.accent = Hex(0xC9A54A);
        l.long_hair = true;
        l.glasses = true;
    } else {
        throw std::runtime_error("unknown character '" + who + "'");
    }
    return l;
}

void Eye(Pen& pen, const Look& look, float x, float y, const std::string& expression, bool left) {
    const Rgb line = Hex(0x3A2620);
    if (expression == "smile" && !look.short_hair) {
        // Closed, laughing eyes: a soft arch.
        for (int i = 0; i < 8; ++i) {
            const float a0 = 3.4f + i * 0.33f, a1 = a0 + 0.33f;
            pen.Line(x + 17 * std::cos(a0), y + 6 + 12 * std::sin(a0), x + 17 * std::cos(a1), y + 6 + 12 * std::sin(a1),
                     4.5f, line);
        }
        return;
    }
    const float open = expression == "surprised" ? 1.25f : expression == "thinking" ? 0.65f : 1.0f;
    pen.Ellipse(x, y + 2, 17, 14 * open, Hex(0xFFFFFF));
    pen.Ellipse(x + (left ? 2 : -2), y + 3, 11, 13 * open, look.eyes);
    pen.Ellipse(x + (left ? 2 : -2), y - 2 * open, 11, 6 * open, Scale(look.eyes, 0.6f), 0.7f);
    pen.Ellipse(x + (left ? 2 : -2), y + 4, 5, 7 * open, Scale(look.eyes, 0.3f));
    pen.Ellipse(x + (left ? -2 : -6), y - 3, 4, 4, Hex(0xFFFFFF));
    pen.Ellipse(x + (left ? 6 : 2), y + 9 * open, 2, 2, Hex(0xFFFFFF), 0.8f);
    if (expression == "thinking") {
        pen.Round(x - 20, y - 16, x + 20, y - 3, 4, look.skin); // heavy lids
    }
    // Upper lash line, thicker at the outer corner.
    pen.Line(x - 18, y - 10 * open + 4, x + 18, y - 10 * open + 4, 4.0f, line);
    pen.Line(left ? x - 18 : x + 18, y - 10 * open + 4, left ? x - 23 : x + 23, y - 10 * open + 8, 3.5f, line);
}

void Mouth(Pen& pen, const std::string& expression, float y) {
    const Rgb line = Hex(0x7A3A30);
    if (expression == "smile") {
        pen.Poly({{384, y - 2}, {416, y - 2}, {410, y + 10}, {400, y + 13}, {390, y + 10}}, Hex(0x9C3B3B));
        pen.Ellipse(400, y + 8, 7, 4, Hex(0xE98C8C));
    } else if (expression == "surprised") {
        pen.Ellipse(400, y + 4, 7, 9, Hex(0x8E3434));
    } else if (expression == "serious" || expression == "thinking") {
        pen.Line(390, y + 2, 410, y + 1, 2.5f, line);
    } else {
        pen.Line(391, y, 400, y + 4, 2.5f, line);
        pen.Line(400, y + 4, 409, y, 2.5f, line);
    }
}

void Brows(Pen& pen, const Look& look, const std::string& expression) {
    const float lift = expression == "surprised" ? -8.0f : 0.0f;
    const float tilt = expression == "serious" ? 5.0f : expression == "thinking" ? 3.0f : -1.0f;
    pen.Line(352, 166 + lift - tilt, 384, 166 + lift + tilt, 4.0f, look.hair_dark);
    pen.Line(416, 166 + lift + tilt, 448, 166 + lift - tilt, 4.0f, look.hair_dark);
}

} // namespace

void DrawFigure(Canvas& canvas, const std::string& who, const std::string& expression, float cx, float oy, float s) {
    const Look look = LookOf(who);
    Pen pen{canvas, cx, oy, s};
    const Rgb line = Hex(0x3A2620);

    // Hair behind the head and shoulders.
    if (look.long_hair) {
        pen.Shaded(
            300, 120, 500, 520,
            [&](float x, float y) { return SdRoundRect(x, y, pen.X(308), pen.Y(130), pen.X(492), pen.Y(510), 70 * s); },
            look.hair, look.hair_dark);
    } else if (!look.short_hair) {
        pen.Shaded(
            310, 120, 490, 340,
            [&](float x, float y) { return SdEllipse(x, y, pen.X(400), pen.Y(235), 92 * s, 110 * s); }, look.hair,
            look.hair_dark);
    }

    // Shoulders and clothes sit a little higher than the frame's numbers say: the neck is short.
    {
        Pen pen{canvas, cx, oy - 28 * s, s};
        const std::vector<Point> body = {{250, 600}, {268, 420}, {320, 372}, {480, 372}, {532, 420}, {550, 600}};
        {
            std::vector<Point> outline = body;
            for (Point& p : outline) {
                p.x += p.x < 400 ? -3 : 3;
                p.y -= 3;
            }
            pen.Poly(outline, line);
            std::vector<Point> mapped = body;
            for (Point& p : mapped) {
                p = {pen.X(p.x), pen.Y(p.y)};
            }
            const float top = pen.Y(372), bottom = pen.Y(600);
            canvas.Fill(
                pen.X(250), top, pen.X(550), bottom, [&mapped](float x, float y) { return SdPolygon(x, y, mapped); },
                [&](float px, float py) {
                    const float t = Clamp01((py - top) / (bottom - top));
                    const float side = std::abs(px - pen.X(400)) / (150 * s);
                    return Mix(look.cloth, look.cloth_dark, Clamp01(0.25f * t + 0.5f * side * side));
                },
                1.0f, std::max(1.0f, s));
        }
        // Neck with the shadow of the chin.
        pen.Round(378, 290, 422, 390, 14, look.skin);
        pen.Round(378, 290, 422, 330, 14, look.skin_shade, 0.8f);
        // Collar, scarf or tie.
        if (who == "haruka") {
            pen.Poly({{320, 374}, {400, 470}, {480, 374}, {470, 372}, {400, 440}, {330, 372}}, look.collar);
            pen.Poly({{385, 440}, {415, 440}, {430, 500}, {400, 480}, {370, 500}}, look.accent);
            pen.Ellipse(400, 440, 14, 10, Scale(look.accent, 0.85f));
        } else if (who == "minato") {
            pen.Poly({{360, 372}, {400, 430}, {440, 372}}, look.collar);
            pen.Poly({{392, 388}, {408, 388}, {414, 520}, {400, 540}, {386, 520}}, look.accent);
            pen.Poly({{330, 380}, {400, 560}, {352, 600}, {300, 430}}, Scale(look.cloth, 0.8f), 0.6f);
            pen.Poly({{470, 380}, {400, 560}, {448, 600}, {500, 430}}, Scale(look.cloth, 0.8f), 0.6f);
        } else {
            pen.Poly({{350, 372}, {400, 420}, {450, 372}}, look.collar);
            pen.Line(400, 420, 400, 600, 3, look.cloth_dark);
            for (int b = 0; b < 3; ++b) {
                pen.Ellipse(412, 450 + 45 * b, 5, 5, look.accent);
            }
        }
        if (look.camera) {
            pen.Line(330, 380, 375, 500, 6, Hex(0x202020));
            pen.Line(470, 380, 425, 500, 6, Hex(0x202020));
            pen.Round(350, 490, 450, 560, 10, Hex(0x26282C));
            pen.Round(356, 484, 384, 496, 3, Hex(0x3A3D44));
            pen.Ellipse(400, 528, 24, 24, Hex(0x6B7078));
            pen.Ellipse(400, 528, 17, 17, Hex(0x1A1C22));
            pen.Ellipse(394, 522, 5, 5, Hex(0xA9C7E8), 0.9f);
        }
    }
    // Head: face and chin joined, ears.
    pen.Outlined(324, 222, 10, 16, look.skin, line, 2);
    pen.Outlined(476, 222, 10, 16, look.skin, line, 2);
    auto face = [&](float x, float y) {
        const float a = SdEllipse(x, y, pen.X(400), pen.Y(205), 76 * s, 84 * s);
        const float b = SdEllipse(x, y, pen.X(400), pen.Y(258), 48 * s, 40 * s);
        return std::min(a, b);
    };
    canvas.FillSolid(
        pen.X(316), pen.Y(112), pen.X(484), pen.Y(302), [&](float x, float y) { return face(x, y) - 2.5f * s; }, line);
    canvas.Fill(
        pen.X(316), pen.Y(112), pen.X(484), pen.Y(302), face,
        [&](float, float py) { return Mix(look.skin_shade, look.skin, Clamp01((py - pen.Y(150)) / (60 * s))); }, 1.0f,
        std::max(1.0f, s));
    pen.Ellipse(352, 252, 16, 9, Hex(0xF59A9A), look.ribbon ? 0.45f : 0.25f);
    pen.Ellipse(448, 252, 16, 9, Hex(0xF59A9A), look.ribbon ? 0.45f : 0.25f);

    Eye(pen, look, 368, 214, expression, true);
    Eye(pen, look, 432, 214, expression, false);
    Brows(pen, look, expression);
    pen.Line(401, 240, 398, 248, 2.0f, look.skin_shade);
    Mouth(pen, expression, 272);
    if (look.glasses) {
        for (float ex : {368.0f, 432.0f}) {
            auto ring = [&, ex](float x, float y) {
                return std::abs(SdRoundRect(x, y, pen.X(ex - 26), pen.Y(196), pen.X(ex + 26), pen.Y(236), 10 * s)) -
                       1.6f * s;
            };
            canvas.FillSolid(pen.X(ex - 30), pen.Y(192), pen.X(ex + 30), pen.Y(240), ring, Hex(0x6B4A3A));
        }
        pen.Line(394, 210, 406, 210, 3, Hex(0x6B4A3A));
    }

    // Hair cap and bangs in front of the face.
    canvas.Fill(
        pen.X(310), pen.Y(100), pen.X(490), pen.Y(200),
        [&](float x, float y) {
            return std::max(SdEllipse(x, y, pen.X(400), pen.Y(188), 88 * s, 84 * s), y - pen.Y(172));
        },
        [&](float, float py) { return Mix(look.hair_shine, look.hair, Clamp01((py - pen.Y(110)) / (60 * s))); }, 1.0f,
        std::max(1.0f, s));
    const float bang_len = look.short_hair ? 188 : 196;
    const float xs[] = {322, 348, 376, 404, 432, 458, 482};
    for (int i = 0; i < 6; ++i) {
        const float tip = bang_len + ((i * 7) % 3) * 8 - (i == 0 || i == 5 ? 14 : 0);
        pen.Poly({{xs[i] - 4, 160}, {xs[i + 1] + 4, 160}, {(xs[i] + xs[i + 1]) / 2 + (i < 3 ? -6 : 6), tip}},
                 look.hair);
    }
    if (!look.short_hair) {
        // Side locks framing the face.
        pen.Poly({{318, 170}, {338, 172}, {334, 300}, {314, 320}}, look.hair);
        pen.Poly({{482, 170}, {462, 172}, {466, 300}, {486, 320}}, look.hair);
    }
    pen.Line(346, 132, 394, 118, 7, look.hair_shine, 0.55f);
    pen.Line(412, 118, 452, 130, 7, look.hair_shine, 0.55f);
    if (look.ribbon) {
        pen.Poly({{460, 140}, {505, 112}, {500, 168}}, look.accent);
        pen.Poly({{460, 140}, {478, 92}, {440, 110}}, look.accent);
        pen.Ellipse(462, 138, 9, 9, Scale(look.accent, 0.8f));
    }
    if (look.glasses) {
        pen.Round(444, 132, 476, 142, 4, look.accent); // hair clip
    }
}

void PaintCharacter(const PictureRecipe& recipe, Canvas& canvas) {
    if (recipe.args.size() != 3) {
        throw std::runtime_error("character " + std::to_string(recipe.number) + " needs NAME EXPRESSION POSITION");
    }
    const float cx = recipe.args[2] == "right" ? 600.0f : 400.0f;
    DrawFigure(canvas, recipe.args[0], recipe.args[1], cx, -50, 1.22f);
}

} // namespace hk::demo
