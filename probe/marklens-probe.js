// The Marklens page probe. Evaluated in an isolated world of the page, it evaluates to one
// object whose methods the program calls: mirror, element, currentStyle, styleRules.
// Page scripts cannot reach this world, but named elements can still shadow properties of
// documents and forms, so DOM reads go through the prototypes' own getters.
(() => {
  'use strict';

  const getter = (proto, name) => Object.getOwnPropertyDescriptor(proto, name).get;
  const call = (fn, self, ...args) => fn.call(self, ...args);

  const nodeTypeOf = getter(Node.prototype, 'nodeType');
  const firstChildOf = getter(Node.prototype, 'firstChild');
  const nextSiblingOf = getter(Node.prototype, 'nextSibling');
  const tagNameOf = getter(Element.prototype, 'tagName');
  const dataOf = getter(CharacterData.prototype, 'data');
  const ownerDocumentOf = getter(Node.prototype, 'ownerDocument');
  const titleOf = getter(Document.prototype, 'title');
  const urlOf = getter(Document.prototype, 'URL');
  const defaultViewOf = getter(Document.prototype, 'defaultView');
  const styleSheetsOf = getter(Document.prototype, 'styleSheets');
  const contentDocumentOf = {
    IFRAME: getter(HTMLIFrameElement.prototype, 'contentDocument'),
    FRAME: getter(HTMLFrameElement.prototype, 'contentDocument'),
  };
  const getAttribute = Element.prototype.getAttribute;
  const createTreeWalker = Document.prototype.createTreeWalker;
  const walkerFirstChild = TreeWalker.prototype.firstChild;
  const walkerNextSibling = TreeWalker.prototype.nextSibling;
  const walkerParentNode = TreeWalker.prototype.parentNode;
  const kShown = NodeFilter.SHOW_ELEMENT | NodeFilter.SHOW_COMMENT;
  const boundingRect = Element.prototype.getBoundingClientRect;
  const matches = Element.prototype.matches;
  const styleOf = getter(HTMLElement.prototype, 'style');

  const kLabelPart = 80;      // characters of an id, class or comment kept in a label
  const kInvalidXml = /[\u0000-\u0008\u000B\u000C\u000E-\u001F\uFFFE\uFFFF]|[\uD800-\uDFFF]/;
  const kNeedsEscape = /[&<>'"\u0000-\u001F\uD800-\uDFFF\uFFFE\uFFFF]/;
  const kEscapes = { '&': '&amp;', '<': '&lt;', '>': '&gt;', "'": '&apos;', '"': '&quot;', '\t': ' ', '\n': ' ', '\r': ' ' };

  // Attribute text that XML 1.0 can carry, for a value in single quotes (the mirror's own
  // quoting, which keeps the text free of the escapes its transfer as JSON would add).
  // Lone surrogates and control characters become U+FFFD, line breaks and tabs blanks, so a
  // label stays one line.
  function xmlText(text) {
    if (!kNeedsEscape.test(text)) return text;
    if (kInvalidXml.test(text)) {
      text = text.toWellFormed().replace(/[\u0000-\u0008\u000B\u000C\u000E-\u001F\uFFFE\uFFFF]/g, '\uFFFD');
    }
    return text.replace(/[&<>'"\t\n\r]/g, c => kEscapes[c]);
  }

  function cut(text) {
    return text.length <= kLabelPart ? text : text.slice(0, kLabelPart) + '...';
  }

  const kUnclean = /[\u0000-\u001F\uD800-\uDFFF\uFFFE\uFFFF]/;

  // Text that XML 1.0 can carry, before escaping: control characters and lone surrogates
  // become U+FFFD, line breaks and tabs blanks, so a label stays one line.
  function clean(text) {
    if (!kUnclean.test(text)) return text;
    return text.toWellFormed().replace(/[\t\n\r]/g, ' ').replace(/[\u0000-\u001F\uFFFE\uFFFF]/g, '\uFFFD');
  }

  function docLabel(doc) {
    let title = '';
    let address = '';
    try {
      title = call(titleOf, doc);
      address = call(urlOf, doc);
    } catch (e) { /* a document that will not say */ }
    return 'doc - ' + (title || address);
  }

  // Where a frame's viewport starts, in the top page's viewport: its border box moved in by
  // its border and padding.
  function frameOrigin(frame, style, origin) {
    const box = call(boundingRect, frame);
    return {
      x: origin.x + box.left + (parseFloat(style.borderLeftWidth) || 0) + (parseFloat(style.paddingLeft) || 0),
      y: origin.y + box.top + (parseFloat(style.borderTopWidth) || 0) + (parseFloat(style.paddingTop) || 0),
    };
  }

  // The record state of everything below a display:none element.
  function hiddenState(style) {
    return '0,0,0,0,0,none,' + style.visibility + ',' + (style.pointerEvents === 'none' ? 1 : 0) + ',';
  }

  function docRecord(label, opens) {
    const text = clean(label);
    return (opens ? 'D' : 'd') + text.length + ',' + text + '\n';
  }

  function computedStyleFor(doc) {
    const view = call(defaultViewOf, doc);
    const compute = view ? view.getComputedStyle : getComputedStyle;
    return element => compute.call(view || window, element);
  }

  // A frame's document when it is of our origin; another origin's document reads as null.
  function readableFrameDocument(tag, frame) {
    try {
      return call(contentDocumentOf[tag], frame) || null;
    } catch (e) {
      return null;
    }
  }

  class Probe {
    constructor() {
      this.nodes = [null];
    }

    // The page mirror as compact records, one line each, in tree order; the program turns them
    // into the mirror's XML. Records:
    //   D|d  a document with|without children: "D<len>,<label>"
    //   E|e  an element with|without children, F a frame (its document record follows):
    //        "E<left>,<top>,<width>,<height>,<z>,<display>,<visibility>,<transparent>,
    //         <tag len>,<id len>,<class len>,<tag><id><class>"
    //   c    a comment: "c<len>,<text>"
    //   )    closes the last open record.
    // Lengths count UTF-16 units; texts carry no control characters. Node identifiers are the
    // record numbers from 1. The walk keeps its own stack, so any nesting depth fits.
    mirror() {
      const nodes = [null];
      this.nodes = nodes;
      nodes.push(document);
      let out = docRecord(docLabel(document), true);
      let scope = { origin: { x: 0, y: 0 }, style: computedStyleFor(document) };
      // A walker that shows only elements and comments, so text nodes are never touched.
      let walker = createTreeWalker.call(document, document, kShown);
      // Below a display:none element nothing is rendered, and the browser would compute each
      // style there from the top again (quadratic on deep trees), so the subtree reads as none.
      let hidden = null;
      const hiddenAbove = [];  // per open element, the hidden state outside it
      const frames = [];       // per open frame document, what to restore after it
      let node = walkerFirstChild.call(walker);
      for (;;) {
        while (node !== null) {
          if (nodeTypeOf.call(node) === 8) {
            nodes.push(node);
            const text = clean(cut(dataOf.call(node).trim()));
            out += 'c' + text.length + ',' + text + '\n';
            node = walkerNextSibling.call(walker);
            continue;
          }
          nodes.push(node);
          const tag = tagNameOf.call(node).toUpperCase();
          let state = hidden;
          let style = null;
          if (state === null) {
            style = scope.style(node);
            const box = boundingRect.call(node);
            const origin = scope.origin;
            const left = Math.round(box.left + origin.x);
            const top = Math.round(box.top + origin.y);
            const z = style.zIndex;
            state = left + ',' + top + ',' + (Math.round(box.right + origin.x) - left) + ',' +
              (Math.round(box.bottom + origin.y) - top) + ',' + (z === 'auto' ? 0 : z) + ',' + style.display + ',' +
              style.visibility + ',' + (style.pointerEvents === 'none' ? 1 : 0) + ',';
          }
          const below = hidden !== null ? hidden : style.display === 'none' ? hiddenState(style) : null;
          const id = getAttribute.call(node, 'id');
          const cls = getAttribute.call(node, 'class');
          const idText = id ? clean(cut(id)) : '';
          const classText = cls ? clean(cut(cls)) : '';
          const record = state + tag.length + ',' + idText.length + ',' + classText.length + ',' + clean(tag) + idText +
            classText + '\n';
          if (tag === 'IFRAME' || tag === 'FRAME') {
            out += 'F' + record;
            const inner = readableFrameDocument(tag, node);
            nodes.push(inner);
            if (inner === null) {
              let address = '';
              try { address = getAttribute.call(node, 'src') || ''; } catch (e) { /* none */ }
              out += docRecord('doc - ' + address, false) + ')\n';
            } else {
              out += docRecord(docLabel(inner), true);
              frames.push({ walker, scope, hidden });
              scope = {
                origin: style ? frameOrigin(node, style, scope.origin) : scope.origin,
                style: computedStyleFor(inner),
              };
              hidden = below;
              walker = createTreeWalker.call(inner, inner, kShown);
              node = walkerFirstChild.call(walker);
              if (node === null) node = leaveFrame();
              continue;
            }
            node = walkerNextSibling.call(walker);
            continue;
          }
          const child = walkerFirstChild.call(walker);
          if (child !== null) {
            out += 'E' + record;
            hiddenAbove.push(hidden);
            hidden = below;
            node = child;
            continue;
          }
          out += 'e' + record;
          node = walkerNextSibling.call(walker);
        }
        // No further sibling: close the parent and go on after it.
        const parent = walkerParentNode.call(walker);
        if (parent !== null) {
          out += ')\n';
          hidden = hiddenAbove.pop();
          node = walkerNextSibling.call(walker);
        } else if (frames.length > 0) {
          node = leaveFrame();
        } else {
          break;
        }
      }
      return out + ')\n';

      // Closes a frame's document and the frame, back in the outer document after the frame.
      function leaveFrame() {
        const outer = frames.pop();
        walker = outer.walker;
        scope = outer.scope;
        hidden = outer.hidden;
        out += ')\n)\n';
        return walkerNextSibling.call(walker);
      }
    }

    // The live node behind a node identifier of the last mirror, or null.
    element(idText) {
      if (typeof idText !== 'string' || !/^[1-9][0-9]{0,9}$/.test(idText)) return null;
      const node = this.nodes[Number(idText)];
      return node === undefined ? null : node;
    }

    // One attrib per catalog entry, in catalog order: its name, the catalog's default echoed,
    // and the element's computed value.
    currentStyle(element, catalogXml) {
      const catalog = new DOMParser().parseFromString(String(catalogXml), 'application/xml');
      const root = catalog.documentElement;
      if (!root || root.getElementsByTagName('parsererror').length > 0 || root.localName !== 'attribs') {
        throw new Error('The attribute catalog is not an attribs document');
      }
      let style = null;
      if (element && call(nodeTypeOf, element) === 1) {
        style = computedStyleFor(ownerDocumentOf.call(element))(element);
      }
      let out = '<attribs>';
      for (const entry of root.children) {
        if (entry.localName !== 'attrib') continue;
        const name = entry.getAttribute('name') || '';
        const fallback = entry.getAttribute('default') || '';
        const current = style ? style.getPropertyValue(cssName(name)) : '';
        out += '<attrib name="' + xmlText(name) + '" default="' + xmlText(fallback) +
          '" current="' + xmlText(current) + '"/>';
      }
      return out + '</attribs>';
    }

    // The rules that apply to the element, the winner first: the inline style, then the rules
    // of every readable sheet by specificity and, at equal specificity, the later rule first.
    styleRules(element) {
      let out = '<style>';
      if (!element || call(nodeTypeOf, element) !== 1) return out + '</style>';
      const found = [];
      let order = 0;
      let embedded = 0;
      const doc = ownerDocumentOf.call(element);
      for (const sheet of styleSheetsOf.call(doc)) {
        const source = sheet.href || ('<style> ' + (++embedded));
        walkRules(sheet, source, defaultViewOf.call(doc) || window, rule => {
          const score = matchingSpecificity(element, rule.selectorText);
          if (score !== null) found.push({ rule, score, source, order: order++ });
        });
      }
      found.sort((a, b) => compareScores(b.score, a.score) || b.order - a.order);
      let inline = null;
      try { inline = call(styleOf, element); } catch (e) { inline = element.style || null; }
      if (inline && inline.length > 0) {
        out += rule('', '1,0,0,0', 'inline', inline.cssText);
      }
      for (const item of found) {
        out += rule(item.rule.selectorText, item.score.join(','), item.source, item.rule.style.cssText);
      }
      return out + '</style>';
    }
  }

  function rule(selector, score, source, text) {
    return '<rule selector="' + xmlText(selector) + '" score="' + score + '" source="' + xmlText(source) +
      '" text="' + xmlText(text) + '"/>';
  }

  function cssName(name) {
    return name.startsWith('--') || name.includes('-') ? name : name.replace(/[A-Z]/g, c => '-' + c.toLowerCase());
  }

  // Style rules of a sheet, its imports and the grouping rules whose condition holds now.
  // Sheets of another origin throw on cssRules and are skipped.
  function walkRules(sheet, source, view, visit) {
    const pending = [{ list: null, sheet, source }];
    while (pending.length > 0) {
      const item = pending.pop();
      let rules;
      try {
        rules = item.list || item.sheet.cssRules;
      } catch (e) {
        continue;
      }
      if (item.sheet && item.sheet.disabled) continue;
      const later = [];
      // Rule kinds by their type number: a frame's rules come from another realm, where
      // instanceof with this world's classes fails.
      for (const rule of rules) {
        const type = rule.type;
        if (type === CSSRule.STYLE_RULE) {
          visit(rule);
        } else if (type === CSSRule.IMPORT_RULE) {
          if (rule.styleSheet) later.push({ list: null, sheet: rule.styleSheet, source: rule.styleSheet.href || item.source });
        } else if (type === CSSRule.MEDIA_RULE) {
          if (view.matchMedia(rule.media.mediaText || 'all').matches) later.push({ list: rule.cssRules, source: item.source });
        } else if (type === CSSRule.SUPPORTS_RULE) {
          if (view.CSS.supports(rule.conditionText)) later.push({ list: rule.cssRules, source: item.source });
        } else if (type !== CSSRule.KEYFRAMES_RULE && rule.cssRules) {
          later.push({ list: rule.cssRules, source: item.source });
        }
      }
      // Keeps source order: nested lists are walked before what follows them in the stack.
      for (let i = later.length - 1; i >= 0; --i) pending.push(later[i]);
    }
  }

  // The highest specificity among the selectors of the list that match, or null.
  function matchingSpecificity(element, selectorText) {
    let best = null;
    for (const selector of splitTopLevel(selectorText, ',')) {
      let hit = false;
      try { hit = call(matches, element, selector); } catch (e) { hit = false; }
      if (!hit) continue;
      const score = specificity(selector);
      if (best === null || compareScores(score, best) > 0) best = score;
    }
    return best;
  }

  function compareScores(a, b) {
    return a[0] - b[0] || a[1] - b[1] || a[2] - b[2];
  }

  function splitTopLevel(text, separator) {
    const parts = [];
    let depth = 0;
    let quote = '';
    let start = 0;
    for (let i = 0; i < text.length; ++i) {
      const c = text[i];
      if (quote) {
        if (c === '\\') ++i;
        else if (c === quote) quote = '';
      } else if (c === '"' || c === "'") quote = c;
      else if (c === '\\') ++i;
      else if (c === '(' || c === '[') ++depth;
      else if (c === ')' || c === ']') --depth;
      else if (c === separator && depth === 0) {
        parts.push(text.slice(start, i).trim());
        start = i + 1;
      }
    }
    parts.push(text.slice(start).trim());
    return parts.filter(part => part.length > 0);
  }

  // Selector specificity as [ids, classes, types]: :where() counts nothing, :is(), :not() and
  // :has() count their most specific argument, :nth-child(... of S) adds S to its own class.
  function specificity(selector) {
    const score = [0, 0, 0];
    const add = other => { score[0] += other[0]; score[1] += other[1]; score[2] += other[2]; };
    const maxOf = list => {
      let best = [0, 0, 0];
      for (const part of splitTopLevel(list, ',')) {
        const s = specificity(part);
        if (compareScores(s, best) > 0) best = s;
      }
      return best;
    };
    let i = 0;
    const n = selector.length;
    const identAt = at => {
      let j = at;
      while (j < n && /[\w\u00A0-\uFFFF-]|\\/.test(selector[j])) j += selector[j] === '\\' ? 2 : 1;
      return j;
    };
    const argumentAt = at => {  // selector[at] is '('; returns [inner text, index after ')']
      let depth = 0;
      for (let j = at; j < n; ++j) {
        if (selector[j] === '\\') { ++j; continue; }
        if (selector[j] === '(') ++depth;
        else if (selector[j] === ')' && --depth === 0) return [selector.slice(at + 1, j), j + 1];
      }
      return [selector.slice(at + 1), n];
    };
    while (i < n) {
      const c = selector[i];
      if (c === '#') { score[0]++; i = identAt(i + 1); }
      else if (c === '.') { score[1]++; i = identAt(i + 1); }
      else if (c === '[') {
        score[1]++;
        let depth = 0;
        while (i < n) { if (selector[i] === '[') ++depth; if (selector[i] === ']' && --depth === 0) break; ++i; }
        ++i;
      } else if (c === ':') {
        const element = selector[i + 1] === ':';
        const start = element ? i + 2 : i + 1;
        const end = identAt(start);
        const name = selector.slice(start, end).toLowerCase();
        i = end;
        let argument = null;
        if (selector[i] === '(') [argument, i] = argumentAt(i);
        if (element || ['before', 'after', 'first-line', 'first-letter'].includes(name)) score[2]++;
        else if (name === 'where') { /* nothing */ }
        else if (name === 'is' || name === 'not' || name === 'has' || name === 'matches') add(maxOf(argument || ''));
        else if ((name === 'nth-child' || name === 'nth-last-child') && argument && / of /i.test(argument)) {
          score[1]++;
          add(maxOf(argument.slice(argument.search(/ of /i) + 4)));
        } else score[1]++;
      } else if (c === '*' || c === ' ' || c === '>' || c === '+' || c === '~' || c === '|' || c === '&') ++i;
      else if (/[\w\u00A0-\uFFFF-]|\\/.test(c)) { score[2]++; i = identAt(i); }
      else ++i;
    }
    return score;
  }

  return new Probe();
})()
