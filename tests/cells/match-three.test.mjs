// The match-three page's rules, run on the very file the program embeds,
// with a small stand-in for the DOM and a seeded random source.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import vm from 'node:vm';

const html = readFileSync(new URL('../../src/Cells/match-three.html', import.meta.url), 'utf8');
const script = html.match(/<script>([\s\S]*)<\/script>/)[1];

class Element {
  children = [];
  set innerHTML(_) { this.children = []; }
  appendChild(child) { this.children.push(child); }
}

// A page on a seeded random source (mulberry32); tile kinds pushed on
// `queued` come out of rn() first.
function loadPage(seed = 1) {
  const el = { grid: new Element(), sc: new Element(), mv: new Element() };
  const queued = [];
  const random = () => {
    if (queued.length) return (queued.shift() + 0.5) / 7;
    seed = (seed + 0x6d2b79f5) | 0;
    let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  const context = vm.createContext({
    document: { getElementById: (id) => el[id], createElement: () => new Element() },
    random,
  });
  vm.runInContext('Math.random = random;', context);
  vm.runInContext(script, context);
  const run = (code) => vm.runInContext(code, context);
  return {
    run, queued,
    tiles: () => el.grid.children,
    tap: (r, c) => el.grid.children[r * 7 + c].onclick(),
    shown: () => `${el.sc.textContent}/${el.mv.textContent}`,
    // No run anywhere: kinds 0 to 3 only, rows alternating between two shifts.
    // `place` puts [row, column, kind] on it.
    setBoard: (place = []) => {
      const b = Array.from({ length: 7 }, (_, r) => Array.from({ length: 7 }, (_, c) => (c + 2 * (r % 2)) % 4));
      for (const [r, c, kind] of place) b[r][c] = kind;
      run(`b = ${JSON.stringify(b)}; dr();`);
      assert.equal(run('fm().length'), 0);
    },
  };
}

test('a new page starts with 49 tiles, no run of three, score and moves 0', () => {
  for (let seed = 1; seed <= 200; seed++) {
    const page = loadPage(seed);
    assert.equal(page.run('fm().length'), 0, `seed ${seed}`);
    assert.equal(page.tiles().length, 49);
    assert.equal(page.shown(), '0/0');
  }
});

test('runs of three, four, an L of five and two runs at once score 10 a tile in one move', () => {
  const cases = [
    ['three', [[3, 0, 5], [3, 1, 5], [4, 2, 5]], [3, 2, 4, 2], '30/1'],
    ['four', [[3, 0, 5], [3, 1, 5], [4, 2, 5], [3, 3, 5]], [3, 2, 4, 2], '40/1'],
    ['L of five', [[3, 0, 5], [3, 1, 5], [2, 2, 5], [4, 2, 5], [5, 2, 5]], [2, 2, 3, 2], '50/1'],
    ['two runs', [[3, 0, 5], [3, 1, 5], [2, 2, 5], [3, 2, 4], [2, 3, 4], [2, 4, 4]], [2, 2, 3, 2], '60/1'],
    // The 6 above the cleared row falls onto two more: a second round.
    ['cascade', [[3, 0, 5], [3, 1, 5], [4, 2, 5], [2, 0, 6], [4, 0, 6], [5, 0, 6]], [3, 2, 4, 2], '60/1'],
  ];
  for (const [name, place, [r1, c1, r2, c2], expected] of cases) {
    const page = loadPage();
    page.setBoard(place);
    page.queued.push(6, 4, 6, 4, 6, 4, 6, 4, 6, 4);  // refills that line up with nothing
    page.tap(r1, c1);
    page.tap(r2, c2);
    assert.equal(page.shown(), expected, name);
    assert.equal(page.run('fm().length'), 0, name);
    // Tiles above fall in order; the gap at the top takes the refill.
    if (name === 'three') assert.equal(page.run('b.slice(0, 4).map((row) => row[0]).join()'), '6,0,2,0');
  }
});

test('a swap that makes no run is undone and counts nothing', () => {
  const page = loadPage();
  page.setBoard();
  const before = page.run('JSON.stringify(b)');
  page.tap(0, 0);
  page.tap(0, 1);
  assert.equal(page.run('JSON.stringify(b)'), before);
  assert.equal(page.shown(), '0/0');
});

test('a second tap anywhere but a neighbour only clears the selection', () => {
  const page = loadPage();
  // (3,2) swapped with (4,3) or (5,2) would line up three 5s.
  page.setBoard([[3, 0, 5], [3, 1, 5], [4, 3, 5], [5, 2, 5]]);
  const before = page.run('JSON.stringify(b)');
  for (const [r, c] of [[4, 3], [3, 2], [5, 2], [0, 6]]) {  // diagonal, itself, two away, far
    page.tap(3, 2);
    assert.equal(page.tiles()[3 * 7 + 2].className, 'c sel');
    page.tap(r, c);
    assert.ok(page.tiles().every((tile) => tile.className === 'c'));
  }
  assert.equal(page.run('JSON.stringify(b)'), before);
  assert.equal(page.shown(), '0/0');
});

test('a run ending in the last column and one ending in the last row clear and score', () => {
  const cases = [
    ['last column', [[3, 4, 5], [3, 5, 5], [4, 6, 5]], [4, 6, 3, 6]],
    ['last row', [[4, 3, 5], [5, 3, 5], [6, 2, 5]], [6, 2, 6, 3]],
  ];
  for (const [name, place, [r1, c1, r2, c2]] of cases) {
    const page = loadPage();
    page.setBoard(place);
    page.queued.push(6, 4, 6, 4, 6, 4);
    page.tap(r1, c1);
    page.tap(r2, c2);
    assert.equal(page.shown(), '30/1', name);
    assert.ok(page.run('b.flat().every((kind) => kind !== 5)'), name);
  }
});
