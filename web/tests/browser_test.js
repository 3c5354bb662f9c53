// The web page in a real browser: Debian's chromium, headless, driven by puppeteer-core
// through the page's interface contract (role=grid/row/gridcell with aria-labels, the
// role=status live region, the keyboard shortcuts, #p= links). Every answer the page
// gives is compared with the native sudoku-solve and sudoku-generate.
//
//   node browser_test.js --site BUILD/site --native build/release/apps --out DIR [--only NAME]
'use strict';

const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const { launch, serve, argument } = require('./harness');

const site = argument('--site');
const native = argument('--native');
const out = argument('--out') ?? '.';
const only = argument('--only');
const solveExe = path.join(native, 'sudoku-solve', 'sudoku-solve');
const generateExe = path.join(native, 'sudoku-generate', 'sudoku-generate');

// The native program's output and standard error for `input`.
function run(exe, args, input = '') {
    try {
        return { out: execFileSync(exe, args, { input, encoding: 'utf8', stdio: ['pipe', 'pipe', 'pipe'] }), err: '' };
    } catch (error) {
        return { out: error.stdout, err: error.stderr };
    }
}
const cli = (args, input) => run(solveExe, args, input).out;
const lines = (text) => text.split('\n').filter((l) => l !== '');

// ---- Driving the page --------------------------------------------------------------

let browser;
let baseUrl;
const pageErrors = []; // uncaught errors of the pages a test opened: each fails it

async function open(hash = '', width = 1280) {
    const page = await browser.newPage();
    await page.setViewport({ width, height: 900 });
    page.on('dialog', (dialog) => dialog.accept());
    page.on('pageerror', (error) => pageErrors.push(error));
    await page.evaluateOnNewDocument(() => {
        window.print = () => {}; // the booklet test prints with page.pdf()
    });
    await page.goto(`${baseUrl}/index.html${hash}`);
    await page.waitForSelector('body[data-ready]');
    return page;
}

const status = (page) => page.$eval('[role=status]', (e) => e.textContent);
const labels = (page) => page.$$eval('[role=gridcell]', (cells) => cells.map((c) => c.getAttribute('aria-label')));
const idle = (page) => page.waitForFunction(() => document.getElementById('busy').hidden);
const hashPuzzle = (page) => page.evaluate(() => /#p=(.*)/.exec(location.hash)[1]);

async function load(page, text) {
    await page.$eval('#paste', (e, t) => (e.value = t), text);
    await page.click('#load');
}

// Clicks a button whose answer comes from the worker, and waits for it.
async function clickAndWait(page, selector) {
    await page.click(selector);
    await idle(page);
}

// The value each cell shows, from its aria-label: '.' for empty or marked.
async function shownValues(page) {
    return (await labels(page)).map((l) => /, (\d)( given)?(, clashes)?$/.exec(l)?.[1] ?? '.').join('');
}

// A pencil-mark grid, as sudoku-solve reads it, from each cell's label.
async function markGrid(page) {
    const fields = (await labels(page)).map((l) => {
        const placed = /, (\d)( given)?(, clashes)?$/.exec(l);
        const marks = /candidates ([\d ]+)$/.exec(l);
        return placed ? placed[1] : marks ? marks[1].replace(/ /g, '') : '.';
    });
    const rows = [];
    for (let r = 0; r < 9; ++r) rows.push(fields.slice(r * 9, r * 9 + 9).join(' '));
    return rows.join('\n') + '\n';
}

// ---- The puzzles -------------------------------------------------------------------

function generated(args) {
    return lines(run(generateExe, args).out);
}

// ---- Tests -------------------------------------------------------------------------

const tests = {};

tests.playsAPuzzleToTheEndByKeyboard = async () => {
    const puzzle = generated(['--seed', '11', '--grade', 'easy'])[0];
    const solution = lines(cli([], puzzle))[0];
    const page = await open(`#p=${puzzle}`);
    await page.focus('[role=grid]');
    assert.equal(await page.$$eval('[role=row]', (rows) => rows.length), 9);
    assert.equal(await page.$$eval('[role=row] > [role=gridcell]', (c) => c.length), 81);
    // A clash shows at once, and undo takes it back.
    const firstEmpty = puzzle.indexOf('.');
    const peerDigit = [...puzzle.slice(Math.floor(firstEmpty / 9) * 9, Math.floor(firstEmpty / 9) * 9 + 9)].find((c) => c !== '.');
    // Moves the selection with the arrow keys alone.
    let at = 0;
    const goTo = async (cell) => {
        while (Math.floor(at / 9) < Math.floor(cell / 9)) await page.keyboard.press('ArrowDown'), (at += 9);
        while (Math.floor(at / 9) > Math.floor(cell / 9)) await page.keyboard.press('ArrowUp'), (at -= 9);
        while (at % 9 < cell % 9) await page.keyboard.press('ArrowRight'), (at += 1);
        while (at % 9 > cell % 9) await page.keyboard.press('ArrowLeft'), (at -= 1);
    };
    at = await page.evaluate(() => [...document.querySelectorAll('[role=gridcell]')].findIndex((c) => c.getAttribute('aria-selected') === 'true'));
    await goTo(firstEmpty);
    await page.keyboard.press(peerDigit);
    assert.match((await labels(page))[firstEmpty], /clashes$/);
    await page.keyboard.press('u');
    assert.match((await labels(page))[firstEmpty], /empty$/);
    await page.keyboard.press('r');
    assert.match((await labels(page))[firstEmpty], new RegExp(`${peerDigit}, clashes$`));
    await page.keyboard.press('Backspace');
    // Pencil mode writes marks, not digits.
    await page.keyboard.press('p');
    await page.keyboard.press(solution[firstEmpty]);
    assert.match((await labels(page))[firstEmpty], new RegExp(`candidates ${solution[firstEmpty]}$`));
    await page.keyboard.press('p');
    for (let cell = 0; cell < 81; ++cell) {
        if (puzzle[cell] !== '.') continue;
        await goTo(cell);
        await page.keyboard.press(solution[cell]);
        if (cell === firstEmpty) {
            await page.click('#check');
            assert.match(await status(page), /agree with the solution/);
        }
    }
    assert.equal(await shownValues(page), solution);
    assert.match(await status(page), /^Solved/);
    await page.screenshot({ path: path.join(out, 'play-1280.png') });
    // n asks before the entries go (the dialog is accepted), then makes a new puzzle.
    const asked = new Promise((resolve) => page.once('dialog', (dialog) => resolve(dialog.message())));
    await page.keyboard.press('n');
    const timeout = new Promise((resolve) => setTimeout(() => resolve('no question asked'), 5000));
    assert.match(await Promise.race([asked, timeout]), /Discard your entries/);
    await idle(page);
    assert.notEqual(await hashPuzzle(page), puzzle);
    await page.close();
};

// Puzzles whose explanation takes a step of each kind: the position before it, marks
// included, makes that step the hint.
tests.hintsNameColourAndApplyTheNextStep = async () => {
    const wanted = [
        ['hidden-single', null],
        ['pointing', null],
        ['x-wing', null],
        ['chain', null],
    ];
    const puzzles = generated(['--seed', '3', '-n', '30', '--grade', 'expert']);
    const page = await open();
    for (const entry of wanted) {
        const technique = entry[0];
        // The first puzzle whose explanation uses it, and the step's index.
        for (const puzzle of puzzles) {
            const steps = lines(cli(['--explain'], puzzle)).filter((l) => !l.startsWith(' ')).slice(0, -1);
            const index = steps.findIndex((s) =>
                technique === 'chain' ? /^(x-cycle|y-cycle|turbot-fish|forcing-x-chain|forcing-chain|cycle):/.test(s) : s.startsWith(`${technique}:`));
            if (index >= 0) {
                entry[1] = { puzzle, index };
                break;
            }
        }
        assert.ok(entry[1], `no puzzle explained with ${technique}`);
        const { puzzle, index } = entry[1];
        await load(page, puzzle);
        let position = puzzle + '\n';
        if (index > 0) {
            // The explanation's position before the step, pasted as a pencil-mark grid.
            await clickAndWait(page, '#explain');
            for (let k = 0; k < index; ++k) await page.click('#step-forward');
            position = await markGrid(page);
            await page.click('#explain-close');
            await load(page, position);
        }
        const expected = lines(cli(['--hint'], position))[0];
        const name = expected.slice(0, expected.indexOf(':'));
        await page.keyboard.press('h');
        await page.waitForFunction((n) => document.querySelector('[role=status]').textContent.startsWith(`${n}: look at `), {}, name);
        await page.keyboard.press('h');
        assert.equal((await status(page)).split('\n')[0], expected, technique);
        // The effect, coloured: eliminations struck out, or the placement marked.
        const effect = [...expected.matchAll(/r(\d)c(\d)(<>|=)(\d)/g)].slice(-1)[0][3] === '=' ? '=' : '<>';
        const listed = new Set([...expected.split(': ').slice(-1)[0].matchAll(/r(\d)c(\d)(<>|=)(\d)/g)].map((m) => `${(m[1] - 1) * 9 + (m[2] - 1)}:${m[4]}`));
        const coloured = await page.$$eval('[role=gridcell]', (cells) => {
            const found = [];
            cells.forEach((cell, i) => {
                for (const s of cell.querySelectorAll('.elimination')) found.push(`${i}:${s.dataset.digit}`);
                if (cell.querySelector('.placement') || cell.classList.contains('placement')) found.push(`${i}:place`);
            });
            return found;
        });
        if (effect === '<>') {
            assert.deepEqual(new Set(coloured), listed, technique);
        }
        assert.ok(await page.$('.pattern-cell, .marks .pattern'), `${technique}: no pattern coloured`);
        await page.screenshot({ path: path.join(out, `hint-${technique}-1280.png`) });
        // Apply: the effect reaches the board.
        await page.keyboard.press('h');
        const after = await labels(page);
        for (const item of listed) {
            const [cell, digit] = item.split(':').map(Number);
            if (effect === '<>') assert.doesNotMatch(after[cell], new RegExp(`candidates.*${digit}`), `${technique} ${item}`);
            else assert.match(after[cell], new RegExp(`, ${digit}$`), `${technique} ${item}`);
        }
    }
    await page.close();
};

// A hard puzzle, and an extreme one whose dynamic chain's proof has its lines too.
tests.explanationStepsMatchTheCommandLine = async () => {
    for (const [grade, seed] of [['hard', '21'], ['extreme', '5']]) {
        const puzzle = generated(['--seed', seed, '--grade', grade])[0];
        const record = lines(cli(['--explain'], puzzle));
        const page = await open(`#p=${puzzle}`);
        await clickAndWait(page, '#explain');
        const texts = [];
        for (;;) {
            texts.push(await status(page));
            if (await page.$eval('#step-forward', (b) => b.disabled)) break;
            await page.click('#step-forward');
        }
        // Every step's line (and a chain's branches), then the solution.
        assert.deepEqual(lines(texts.slice(0, -1).join('\n')), record.slice(0, -1), grade);
        assert.equal(texts[texts.length - 1], `Solved: ${record[record.length - 1]}`);
        await page.click('#step-back');
        await page.click('#step-back');
        assert.equal(await status(page), texts[texts.length - 3]);
        await page.click('#step-back');
        await page.screenshot({ path: path.join(out, `explain-${grade}-1280.png`) });
        await page.close();
    }
};

tests.rateSolveAndCountAgreeWithTheCommandLineOn50Puzzles = async () => {
    const puzzles = [];
    for (const grade of ['easy', 'medium', 'hard', 'expert', 'extreme']) {
        puzzles.push(...generated(['--seed', '5', '-n', grade === 'extreme' ? '6' : '11', '--grade', grade]));
    }
    // and one with several solutions
    puzzles.push('.'.repeat(9) + puzzles[0].slice(9));
    const rates = lines(cli(['--rate'], puzzles.join('\n')));
    const solutions = lines(cli([], puzzles.join('\n')));
    const counts = lines(cli(['--count', '--limit', '1000'], puzzles.join('\n')));
    const page = await open();
    for (const [k, puzzle] of puzzles.entries()) {
        await load(page, puzzle);
        await clickAndWait(page, '#rate');
        assert.equal(await page.$eval('#result', (e) => e.textContent), rates[k], puzzle);
        await clickAndWait(page, '#count');
        assert.equal((await page.$eval('#result', (e) => e.textContent)).split(' ')[0], counts[k], puzzle);
        await clickAndWait(page, '#solve');
        assert.equal(await page.$eval('#result', (e) => e.textContent), solutions[k], puzzle);
        assert.equal(await shownValues(page), solutions[k]);
    }
    assert.ok(puzzles.length >= 50);
    await page.close();
};

tests.generatesByGradeAsTheCommandLineDoes = async () => {
    const page = await open();
    for (const [grade, symmetry, seed] of [
        ['easy', 'mirror', '42'],
        ['hard', 'rotate180', '18446744073709551615'],
        ['expert', 'diagonal', '7'],
    ]) {
        await page.select('#grade', grade);
        await page.select('#symmetry', symmetry);
        await page.$eval('#seed', (e, s) => (e.value = s), seed);
        await page.$eval('[role=grid]', (e) => e.focus());
        await page.keyboard.press('n');
        await page.waitForFunction((s) => document.getElementById('puzzle-info').textContent.includes(`seed ${s}`), {}, seed);
        const expected = generated(['--grade', grade, '--symmetry', symmetry, '--seed', seed])[0];
        assert.equal(await hashPuzzle(page), expected, `${grade} ${seed}`);
        assert.equal(lines(cli(['--rate'], expected))[0].split(' ')[1], grade);
        assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), new RegExp(`^${grade} · seed ${seed}`));
    }
    // A seed sudoku-generate refuses is refused with its message, for a puzzle and a booklet.
    for (const seed of ['12x', '18446744073709551616']) {
        const { err } = run(generateExe, ['--seed', seed]);
        const message = err.split('\n')[0].replace(/^sudoku-generate: /, '');
        await page.$eval('#seed', (e, s) => (e.value = s), seed);
        for (const button of ['#new', '#booklet']) {
            await page.$eval('[role=status]', (e) => (e.textContent = ''));
            await clickAndWait(page, button);
            assert.equal(await status(page), message, `${button} ${seed}`);
        }
    }
    await page.close();
};

tests.badInputGetsTheCommandLineMessage = async () => {
    const good = generated(['--seed', '9', '--grade', 'easy'])[0];
    const cases = [
        good.slice(0, 80),
        'x' + good.slice(1),
        good.replace('.', good.slice(0, 9).replace(/\./g, '')[0]),
        good.slice(0, 9).replace(/\./g, '0') + '\n' + good.slice(9, 16),
        '# only a comment\n',
        // a pencil-mark grid whose marks clash with a placed digit
        (() => {
            const rows = [];
            for (let r = 0; r < 9; ++r) rows.push([...good.slice(r * 9, r * 9 + 9)].map((c) => (c === '.' ? '123456789' : c)).join(' '));
            return rows.join('\n') + '\n';
        })(),
    ];
    const page = await open();
    for (const text of cases) {
        const { out: stdout, err } = run(solveExe, [], text);
        await load(page, text);
        const shown = await status(page);
        if (err) {
            const message = err.split('\n')[0].replace(/^sudoku-solve: <stdin>:\d+: /, '');
            assert.ok(shown.includes(message), `${JSON.stringify(text)}: ${shown} vs ${message}`);
        } else {
            assert.equal(stdout.trim(), '', `${JSON.stringify(text)} should be no puzzle`);
            assert.equal(shown, 'no puzzle in the text');
        }
        // Still working: the board answers.
        assert.equal((await labels(page)).length, 81);
    }
    // Without solution, and with several: loaded and marked so.
    const wrong = [1, 2, 3, 4, 5, 6, 7, 8, 9].map((d) => good.replace('.', String(d))).find((p) => cli([], p).startsWith('no solution'));
    await load(page, wrong);
    assert.equal(await status(page), lines(cli([], wrong))[0].trimEnd());
    const several = '.'.repeat(18) + good.slice(18);
    await load(page, several);
    const count = lines(cli(['--count', '--limit', '100'], several))[0];
    assert.equal(await status(page), `${count} solutions`);
    assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), /solutions/);
    await load(page, good);
    assert.equal(await status(page), 'Puzzle loaded.');
    await page.close();
};

tests.aWrongEntryIsPointedOutInsteadOfAHint = async () => {
    const puzzle = generated(['--seed', '4', '--grade', 'medium'])[0];
    const solution = lines(cli([], puzzle))[0];
    const page = await open(`#p=${puzzle}`);
    // Entries that are not the solution's, until one that a single change explains: the
    // command line reads the same position as a pencil-mark grid (each empty cell '.',
    // one written out so that the grid reads as marked).
    let pointed = 0;
    for (let cell = 0; cell < 81 && pointed < 2; ++cell) {
        if (puzzle[cell] !== '.') continue;
        for (const digit of '123456789') {
            if (digit === solution[cell]) continue;
            await page.$$eval('[role=gridcell]', (cells, i) => cells[i].dispatchEvent(new PointerEvent('pointerdown')), cell);
            await page.click(`#pad [data-digit="${digit}"]`);
            if (/clashes$/.test((await labels(page))[cell])) {
                await page.keyboard.press('u');
                continue;
            }
            await page.click('#fill');
            const marked = await labels(page);
            await page.keyboard.press('u');
            const shown = await labels(page);
            const fields = shown.map((l, i) => {
                const placed = /, (\d)( given)?$/.exec(l);
                return placed ? placed[1] : '.';
            });
            const wide = marked.findIndex((l) => /candidates \d \d/.test(l));
            fields[wide] = /candidates ([\d ]+)$/.exec(marked[wide])[1].replace(/ /g, '');
            const grid = [0, 1, 2, 3, 4, 5, 6, 7, 8].map((r) => fields.slice(r * 9, r * 9 + 9).join(' ')).join('\n') + '\n';
            const expected = lines(cli(['--hint'], grid))[0].trimEnd();
            await page.keyboard.press('h');
            await page.waitForFunction((t) => document.querySelector('[role=status]').textContent === t, { timeout: 10000 }, expected);
            pointed += expected.endsWith('contradicts the solution') ? 1 : 0;
            await page.keyboard.press('u');
            if (pointed) break;
        }
    }
    assert.ok(pointed > 0, 'no wrong entry was pointed out');
    await page.close();
};

tests.cancelEndsLongWorkAndThePageGoesOn = async () => {
    const page = await open();
    // A booklet of 60 extreme puzzles takes seconds: cancelled, nothing more is made.
    await page.select('#grade', 'extreme');
    await page.$eval('#seed', (e) => (e.value = '1'));
    await page.$eval('#booklet-count', (e) => (e.value = '60'));
    await page.click('#booklet');
    await page.waitForFunction(() => /Puzzle [2-9] of 60/.test(document.getElementById('progress-text').textContent));
    await page.click('#cancel');
    await page
        .waitForFunction(() => document.querySelector('[role=status]').textContent === 'Booklet cancelled.', { timeout: 2000 })
        .catch(async () => assert.fail(`after cancel the status says: ${await status(page)}`));
    await new Promise((resolve) => setTimeout(resolve, 1500));
    assert.ok(await page.$eval('#busy', (e) => e.hidden), 'work went on after cancel');
    assert.equal(await status(page), 'Booklet cancelled.');
    await page.select('#grade', 'easy');
    await clickAndWait(page, '#new');
    assert.match(await page.$eval('#puzzle-info', (e) => e.textContent), /^easy · seed 1/);
    await page.close();
};

tests.aWorkerThatFailsIsReplacedWithAMessage = async () => {
    const puzzle = generated(['--seed', '8', '--grade', 'medium'])[0];
    const page = await open(`#p=${puzzle}`);
    // A call the module does not have fails inside the worker, as an abort would.
    await page.evaluate(() => worker.postMessage({ id: 0, fn: 'noSuchCall', args: [] }));
    await page.waitForFunction(() => /^The worker stopped \(.*\); it was restarted\.$/.test(document.querySelector('[role=status]').textContent));
    await clickAndWait(page, '#rate');
    assert.equal(await page.$eval('#result', (e) => e.textContent), lines(cli(['--rate'], puzzle))[0]);
    await page.close();
};

tests.savesTheBoardAsSvg = async () => {
    const puzzle = generated(['--seed', '6', '--grade', 'easy'])[0];
    const page = await open(`#p=${puzzle}`);
    const svg = await page.evaluate(async () => {
        let saved = null;
        const original = URL.createObjectURL;
        URL.createObjectURL = (blob) => {
            saved = blob;
            return original(blob);
        };
        document.getElementById('svg').click();
        return saved.text();
    });
    // One text element per given, in row-major order.
    const digits = [...svg.matchAll(/<text[^>]*>(\d)<\/text>/g)].map((m) => m[1]).join('');
    assert.equal(digits, puzzle.replace(/\./g, ''));
    assert.match(svg, /^<svg xmlns="http:\/\/www.w3.org\/2000\/svg"/);
    await page.close();
};

tests.printsABookletOf13PuzzlesOnA4AndLetter = async () => {
    const page = await open();
    await page.select('#grade', 'easy');
    await page.$eval('#seed', (e) => (e.value = '100'));
    await page.$eval('#booklet-count', (e) => (e.value = '13'));
    await clickAndWait(page, '#booklet');
    await page.waitForFunction(() => document.querySelectorAll('#booklet-pages figure').length === 26);
    const captions = await page.$$eval('.puzzles figcaption', (c) => c.map((e) => e.textContent));
    assert.equal(captions[12], '13. easy · seed 112');
    for (const format of ['A4', 'Letter']) {
        const pdf = Buffer.from(await page.pdf({ format })).toString('latin1');
        fs.writeFileSync(path.join(out, `booklet-${format}.pdf`), pdf, 'latin1');
        // The page tree's root counts every page.
        const pages = Math.max(...[...pdf.matchAll(/\/Count (\d+)/g)].map((m) => Number(m[1])));
        assert.equal(pages, Math.ceil(13 / 6) + Math.ceil(13 / 12), format);
    }
    await page.close();
};

tests.screenshotsAt360And1280 = async () => {
    const puzzle = generated(['--seed', '2', '--grade', 'hard'])[0];
    for (const width of [360, 1280]) {
        const page = await open(`#p=${puzzle}`, width);
        await page.click('#fill');
        await page.keyboard.press('h');
        await page.waitForFunction(() => document.querySelector('[role=status]').textContent.includes('look at'));
        await page.keyboard.press('h');
        // Readable: the board fits the width.
        const boardWidth = await page.$eval('[role=grid]', (e) => e.getBoundingClientRect().right);
        assert.ok(boardWidth <= width, `board ${boardWidth} px wide at ${width}`);
        await page.screenshot({ path: path.join(out, `main-${width}.png`), fullPage: width === 360 });
        await page.emulateMediaFeatures([{ name: 'prefers-color-scheme', value: 'dark' }]);
        await page.screenshot({ path: path.join(out, `dark-${width}.png`) });
        await page.close();
    }
};

// ---- Running -----------------------------------------------------------------------

(async () => {
    for (const exe of [solveExe, generateExe]) {
        if (!fs.existsSync(exe)) {
            console.error(`browser_test.js: ${exe}: not found; build the release preset first (the page is compared with it)`);
            process.exit(1);
        }
    }
    fs.mkdirSync(out, { recursive: true });
    const server = await serve(site);
    baseUrl = server.url;
    browser = await launch();
    let failed = 0;
    for (const [name, test] of Object.entries(tests)) {
        if (only && !name.includes(only)) continue;
        const start = Date.now();
        try {
            pageErrors.length = 0;
            await test();
            assert.deepEqual(pageErrors.map(String), [], 'errors in the page');
            console.log(`ok   ${name} (${Date.now() - start} ms)`);
        } catch (error) {
            ++failed;
            console.log(`FAIL ${name}\n${error.stack}`);
        }
    }
    await browser.close();
    server.close();
    console.log(failed ? `${failed} failed` : 'all passed');
    process.exit(failed ? 1 : 0);
})();
